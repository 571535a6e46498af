#include "ui/Appearance.h"

#include "common/text.h"
#include "ui/Controls.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <limits>

namespace k4 {

namespace {

[[noreturn]] void refuse(const char* property, const QString& value)
{
    throw AppearanceError(std::string(property) + " refused the value \"" + value.toStdString()
                          + "\"");
}

void set_font_part(QWidget* control, const auto& change)
{
    QFont font = control->font();
    change(font);
    control->setFont(font);
}

bool on_off(const char* property, const QString& value)
{
    const std::optional<bool> on = on_off_from_text(value);
    if (!on)
        refuse(property, value);
    return *on;
}

quint32 color(const char* property, double value)
{
    const std::optional<quint32> c = color_from_number(value);
    if (!c)
        refuse(property, QString::number(value, 'g', 17));
    return *c;
}

bool is_plain_container(const QWidget* w)
{
    const QMetaObject* meta = w->metaObject();
    return meta == &QWidget::staticMetaObject || meta == &QFrame::staticMetaObject
           || qobject_cast<const QGroupBox*>(w) != nullptr;
}

void collect_controls(const QWidget* parent, std::vector<QWidget*>& out)
{
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow())
            continue;
        out.push_back(w);
        if (is_plain_container(w))
            collect_controls(w, out);
    }
}

}  // namespace

std::optional<bool> on_off_from_text(const QString& text)
{
    const QString t = trim_blanks_and_tabs(text);
    if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> value = property_number(t);
    return value ? std::optional<bool>(*value != 0) : std::nullopt;
}

std::optional<double> font_size_from_text(const QString& text)
{
    const std::optional<double> value = property_number(text);
    if (!value || *value <= 0 || *value > 2160)
        return std::nullopt;
    return value;
}

std::optional<quint32> color_from_number(double value)
{
    const std::optional<qint32> v = long_from_number(value);
    if (!v || !is_valid_ole_color(quint32(*v)))
        return std::nullopt;
    return quint32(*v);
}

std::optional<quint32> color_from_text(const QString& text)
{
    const std::optional<qint32> v = property_long(text);
    if (!v || !is_valid_ole_color(quint32(*v)))
        return std::nullopt;
    return quint32(*v);
}

void apply_style_group(QWidget* control, const StyleGroup& group)
{
    set_back_color(control, color("BackColor", group.back_color));

    const bool bold = on_off("FontBold", group.font_bold);
    set_font_part(control, [&](QFont& f) { f.setBold(bold); });

    const bool italic = on_off("FontItalic", group.font_italic);
    set_font_part(control, [&](QFont& f) { f.setItalic(italic); });

    if (trim_blanks_and_tabs(group.font_name).isEmpty())
        refuse("FontName", group.font_name);
    set_font_part(control, [&](QFont& f) { f.setFamilies({group.font_name}); });

    const std::optional<double> size = font_size_from_text(group.font_size);
    if (!size)
        refuse("FontSize", group.font_size);
    set_font_part(control, [&](QFont& f) { f.setPointSizeF(*size); });

    const bool strike = on_off("FontStrikethru", group.font_strikethru);
    set_font_part(control, [&](QFont& f) { f.setStrikeOut(strike); });

    const bool underline = on_off("FontUnderline", group.font_underline);
    set_font_part(control, [&](QFont& f) { f.setUnderline(underline); });

    set_fore_color(control, color("ForeColor", group.fore_color));
}

std::vector<QWidget*> controls_in_creation_order(const QWidget* form)
{
    std::vector<QWidget*> controls;
    if (form)
        collect_controls(form, controls);
    return controls;
}

int centered_offset_twips(double difference_twips)
{
    const double rounded = std::nearbyint(difference_twips);  // half to even
    return int(rounded / 2);                                  // towards zero
}

QPoint centered_position_twips(QSize screen_twips, QSize form_twips)
{
    return {centered_offset_twips(double(screen_twips.width()) - form_twips.width()),
            centered_offset_twips(double(screen_twips.height()) - form_twips.height())};
}

namespace {

void move_to_centre(QWidget* form)
{
    QScreen* screen = form->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const qreal dpi_x = screen->logicalDotsPerInchX();
    const qreal dpi_y = screen->logicalDotsPerInchY();
    const QRect area = screen->geometry();
    // The window's outer size, frame included once it has one.
    const QSize outer = form->frameGeometry().size();
    const QPoint twips = centered_position_twips(
        QSize(pixels_to_twips(area.width(), dpi_x), pixels_to_twips(area.height(), dpi_y)),
        QSize(pixels_to_twips(outer.width(), dpi_x), pixels_to_twips(outer.height(), dpi_y)));
    form->move(area.x() + twips_to_pixels(twips.x(), dpi_x),
               area.y() + twips_to_pixels(twips.y(), dpi_y));
}

// A window manager frames a window only once it is shown, so the centring at
// load time can count only the window's inside, and the frame would hang half
// its height below the centre. This centres the window once more, with its
// frame, when the frame first becomes known; then it is gone.
class CentreWithFrame : public QObject {
public:
    explicit CentreWithFrame(QWidget* form) : QObject(form) { form->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* form = qobject_cast<QWidget*>(watched);
        const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        if (form && moved && form->frameGeometry().size() != form->size()) {
            form->removeEventFilter(this);
            deleteLater();
            move_to_centre(form);
        }
        return false;
    }
};

}  // namespace

void center_form(QWidget* form)
{
    if (!form)
        return;
    move_to_centre(form);
    static const char* const pending = "k4_centre_with_frame";
    if (form->isWindow() && form->frameGeometry().size() == form->size()
        && !form->property(pending).toBool()) {
        form->setProperty(pending, true);
        new CentreWithFrame(form);
    }
}

}  // namespace k4
