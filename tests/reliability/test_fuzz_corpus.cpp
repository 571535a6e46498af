// Every seed of the fuzz corpora and every input a fuzzing run ever crashed on
// (fuzz/regressions/<target>/) goes through the same checks as the fuzz
// targets, in the ordinary build and in the sanitizer build.
#include "checks/FuzzChecks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

namespace k4::test {
namespace {

using Check = std::string (*)(const std::uint8_t*, std::size_t);

// Runs every file below fuzz/<folder>/<target>; returns how many there were.
int replay(const QString& folder, const QString& target, Check check)
{
    const QString root = QStringLiteral(K4_SOURCE_DIR "/fuzz/") + folder + u'/' + target;
    int count = 0;
    QDirIterator files(root, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << path.toStdString();
            continue;
        }
        const QByteArray bytes = file.readAll();
        const std::string broken =
            check(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        EXPECT_EQ(broken, std::string()) << path.toStdString();
        ++count;
    }
    return count;
}

struct Target {
    const char* name;
    Check check;
};

class FuzzCorpus : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzCorpus, SeedsAndSavedCrashesPassEveryCheck)
{
    const QString name = QString::fromLatin1(GetParam().name);
    EXPECT_GE(replay(QStringLiteral("corpus"), name, GetParam().check), 8)
        << "the seed corpus of " << GetParam().name << " is missing";
    replay(QStringLiteral("regressions"), name, GetParam().check);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus,
                         ::testing::Values(Target{"profile", &fuzz::check_profile},
                                           Target{"list_file", &fuzz::check_list_file},
                                           Target{"cp932", &fuzz::check_cp932},
                                           Target{"statements", &fuzz::check_statements}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace k4::test
