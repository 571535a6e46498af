#include "FuzzChecks.h"

#include "common/text.h"
#include "lookup/InfoCodeFile.h"
#include "lookup/InfoCodeList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

QString scratch_file()
{
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("k4-fuzz-list-%1.txt").arg(QCoreApplication::applicationPid()));
}

bool write_bytes(const QString& path, const char* data, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data, size) == size;
}

}  // namespace

std::string check_list_file(const std::uint8_t* data, std::size_t size)
{
    const QString path = scratch_file();
    if (!write_bytes(path, reinterpret_cast<const char*>(data), qsizetype(size)))
        return {};  // nothing to test without a file
    // A small limit for some inputs, so that the cut-off path is reached.
    const int max_lines = size > 0 && data[0] % 4 == 0 ? 1 + data[0] % 7 : max_info_code_lines;
    ListFileRead read = read_info_code_file(path, max_lines);
    QFile::remove(path);

    if (!read.exists)
        return "an existing list file was reported missing";
    if (int(read.entries.size()) > max_lines)
        return "more entries than the line limit";
    qsizetype carriage_returns = 0;
    for (std::size_t i = 0; i < size; ++i)
        carriage_returns += data[i] == '\r';
    if (qsizetype(read.entries.size()) > carriage_returns + 1)
        return "more entries than lines";
    for (const info_code_entry& e : read.entries) {
        if (e.code.contains(u'\r') || e.name.contains(u'\r'))
            return "an entry runs over its line end";
        if (columns(e.code) > 4 || columns(e.name) > 20)
            return "an entry is wider than its columns";
        if (!e.name.isEmpty() && columns(e.code) != 4)
            return "a name begins before column 5";
    }

    // The start-up list: every code finds the first entry with that code.
    InfoCodeList list;
    const std::size_t count = std::size_t(read.entries.size());
    list.assign(std::move(read.entries));
    if (list.info_code_count() != int(count))
        return "the list count differs from its entries";
    for (int i = 0; i < list.info_code_count(); ++i) {
        const info_code_entry& e = list.info_code_list()[i];
        const info_code_entry* found = list.find(QStringLiteral("  ") + e.code.toString() + u' ');
        if (!found)
            return "a listed code is not found";
        if (trim_blanks(found->code.toString()) != trim_blanks(e.code.toString()) || found > &e)
            return "a code finds another entry than its first one";
    }
    return {};
}

}  // namespace k4::fuzz
