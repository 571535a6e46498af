#include "ListFixture.h"

#include <QFile>
#include <QStringList>

namespace k4::test {

ListFixture::ListFixture()
{
    write_settings(list_path());
}

void ListFixture::write_settings(const QString& johokubun, bool with_key)
{
    QString ini = QStringLiteral("[動作環境]\r\nDBSTRING=K4\r\n[PATH]\r\nMGSTPATH=x\r\n");
    if (with_key)
        ini += QStringLiteral("JOHOKUBUN=") + johokubun + QStringLiteral("\r\n");
    ini += QStringLiteral("[デバッグ]\r\nMODE=0\r\n");
    write_file(ini_path(), sjis(ini));
}

void ListFixture::write_list(const QByteArray& bytes)
{
    write_file(list_path(), bytes);
}

QString ListFixture::unreadable_file()
{
    write_list(sjis(QStringLiteral("0001名前\r\n")));
    QFile::setPermissions(list_path(), QFileDevice::Permissions());
    QFile probe(list_path());
    if (!probe.open(QIODevice::ReadOnly))
        return list_path();
    return QStringLiteral("/proc/self/mem");
}

SettingsLocation ListFixture::where() const
{
    return SettingsLocation{dir_.path() + QStringLiteral("/BIN/K408020"), ini_path()};
}

QByteArray crlf_lines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += sjis(line) + "\r\n";
    return bytes;
}

QByteArray numbered_lines(int count)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(count) * 46);
    for (int i = 1; i <= count; ++i) {
        bytes += QByteArray::number(i % 10000).rightJustified(4, '0');
        bytes += sjis(QStringLiteral("情報区分名称") + QString::number(i).rightJustified(14, u'0'));
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace k4::test
