#include "FuzzChecks.h"

#include "common/cp932.h"
#include "common/text.h"
#include "lookup/InfoCodeFile.h"
#include "lookup/InfoCodeList.h"

#include <QByteArray>
#include <QString>

namespace k4::fuzz {
namespace {

// Characters as the list counts them: a surrogate pair is one column.
qsizetype columns(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

}  // namespace

std::string check_list_file(const std::uint8_t* data, std::size_t size)
{
    // The bytes as the reader gets them from a file, without writing one: the
    // file reading around it does not depend on what the file holds.
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // A small limit for some inputs, so that the cut-off path is reached.
    const int max_lines = size > 0 && data[0] % 4 == 0 ? 1 + data[0] % 7 : max_info_code_lines;
    InfoCodeEntries entries = parse_info_code_bytes(bytes, max_lines);

    // Read in chunks of any size, the bytes give the entries of their whole
    // text decoded at once and split into lines.
    const qsizetype chunk = size > 1 ? 1 + data[1] % 13 : 1;
    const InfoCodeEntries chunked = parse_info_code_bytes(bytes, max_lines, chunk);
    const QString whole_text = bytes.startsWith("\xEF\xBB\xBF")
                                   ? QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3)
                                   : from_cp932(bytes);
    const InfoCodeEntries whole = InfoCodeEntries::from_text(whole_text, max_lines);
    if (chunked.size() != whole.size() || chunked.complete() != whole.complete()
        || entries.size() != whole.size() || entries.complete() != whole.complete())
        return "reading in chunks gives other lines than splitting the whole text";
    for (qsizetype i = 0; i < whole.size(); ++i)
        if (chunked[i].code != whole[i].code || chunked[i].name != whole[i].name
            || entries[i].code != whole[i].code || entries[i].name != whole[i].name)
            return "reading in chunks gives another entry than splitting the whole text";

    if (int(entries.size()) > max_lines)
        return "more entries than the line limit";
    // Lines: one per CR (CR LF is one line end), and a non-empty rest after
    // the last line end. A CR byte is never part of a double-byte character,
    // and decoding drops no byte but the byte-order mark (Qt's UTF-8 decoder
    // drops a second one right after it too), so the bytes tell.
    constexpr QByteArrayView bom("\xEF\xBB\xBF");
    QByteArrayView text(bytes);
    if (text.startsWith(bom)) {
        text = text.sliced(bom.size());
        if (text.startsWith(bom))
            text = text.sliced(bom.size());
    }
    const qsizetype carriage_returns = text.count('\r');
    QByteArrayView rest = text.sliced(text.lastIndexOf('\r') + 1);
    if (carriage_returns > 0 && rest.startsWith('\n'))
        rest = rest.sliced(1);
    const qsizetype lines = carriage_returns + (rest.isEmpty() ? 0 : 1);
    if (entries.complete() && entries.size() != lines)
        return "a complete list holds another number of entries than the text has lines";
    if (!entries.complete() && (entries.size() != max_lines || lines <= max_lines))
        return "a list was cut that fits, or was cut short of its line limit";
    for (const InfoCodeEntry& e : entries) {
        if (e.code.contains(u'\r') || e.name.contains(u'\r'))
            return "an entry runs over its line end";
        if (columns(e.code) > 4 || columns(e.name) > 20)
            return "an entry is wider than its columns";
        if (!e.name.isEmpty() && columns(e.code) != 4)
            return "a name begins before column 5";
    }

    // The start-up list: every code finds the first entry with that code.
    InfoCodeList list;
    const std::size_t count = std::size_t(entries.size());
    list.assign(std::move(entries));
    if (list.info_code_count() != int(count))
        return "the list count differs from its entries";
    for (int i = 0; i < list.info_code_count(); ++i) {
        const InfoCodeEntry& e = list.info_code_list()[i];
        const InfoCodeEntry* found = list.find(QStringLiteral("  ") + e.code.toString() + u' ');
        if (!found)
            return "a listed code is not found";
        if (trim_blanks(found->code.toString()) != trim_blanks(e.code.toString()) || found > &e)
            return "a code finds another entry than its first one";
    }
    return {};
}

}  // namespace k4::fuzz
