// cProfile's seven facts from a platform's answers, and on this machine.

#include "sysinfo/cProfile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>

namespace k4::test {
namespace {

TEST(cProfileFacts, NtWorkstation)
{
    PlatformFacts nt;
    nt.platform_id = 2;
    nt.major_version = 5;
    nt.minor_version = 0;
    nt.build_number = 2195;
    nt.csd_version = QStringLiteral("Service Pack 2");
    nt.domain = QStringLiteral("DOMAIN01");
    nt.computer_name = QStringLiteral("PC01");
    nt.user_name = QStringLiteral("USER01");
    const cProfile p(nt);
    EXPECT_EQ(p.OS(), QStringLiteral("WindowsNT"));
    EXPECT_EQ(p.Ver(), QStringLiteral("5.0"));
    EXPECT_EQ(p.Build(), QStringLiteral("2195"));
    EXPECT_EQ(p.CSDVer(), QStringLiteral("Service Pack 2"));
    EXPECT_EQ(p.Domain(), QStringLiteral("DOMAIN01"));
    EXPECT_EQ(p.machine(), QStringLiteral("PC01"));
    EXPECT_EQ(p.User(), QStringLiteral("USER01"));
}

TEST(cProfileFacts, Windows98KeepsTheUnmaskedBuildField)
{
    PlatformFacts w98;
    w98.platform_id = 1;
    w98.major_version = 4;
    w98.minor_version = 10;
    w98.build_number = (4 << 24) | (10 << 16) | 2222;  // version in the high word
    w98.domain = QStringLiteral("WORKGROUP");
    const cProfile p(w98);
    EXPECT_EQ(p.OS(), QStringLiteral("Windows9x"));
    EXPECT_EQ(p.Ver(), QStringLiteral("4.10"));
    EXPECT_EQ(p.Build(), QStringLiteral("67766446"));
    EXPECT_EQ(p.Domain(), QStringLiteral("WORKGROUP"));
    EXPECT_EQ(p.CSDVer(), QString());
}

TEST(cProfileFacts, FailedOrUnknownPlatformGivesDefaults)
{
    // Nothing answered: the zero-filled record.
    const cProfile none{PlatformFacts{}};
    EXPECT_EQ(none.OS(), QStringLiteral("Unknown OS"));
    EXPECT_EQ(none.Ver(), QStringLiteral("0.0"));
    EXPECT_EQ(none.Build(), QStringLiteral("0"));
    EXPECT_EQ(none.CSDVer(), QString());
    EXPECT_EQ(none.Domain(), QString());
    EXPECT_EQ(none.machine(), QString());
    EXPECT_EQ(none.User(), QString());

    PlatformFacts odd;
    odd.platform_id = 3;
    odd.build_number = qint32(0x80000001u);  // the whole field, signed
    odd.csd_version = QStringLiteral("SP1") + QChar(0) + QStringLiteral("rubbish");
    const cProfile p(odd);
    EXPECT_EQ(p.OS(), QStringLiteral("Unknown OS"));
    EXPECT_EQ(p.Build(), QStringLiteral("-2147483647"));
    EXPECT_EQ(p.CSDVer(), QStringLiteral("SP1"));
}

TEST(cProfileFacts, ThisLinuxMachine)
{
    const cProfile p;
    EXPECT_EQ(p.OS(), QStringLiteral("Unknown OS"));

    // Ver is the kernel's major.minor, read here from /proc rather than uname.
    QFile release(QStringLiteral("/proc/sys/kernel/osrelease"));
    ASSERT_TRUE(release.open(QIODevice::ReadOnly));
    const auto m = QRegularExpression(QStringLiteral("^(\\d+)\\.(\\d+)"))
                       .match(QString::fromLatin1(release.readAll()));
    ASSERT_TRUE(m.hasMatch());
    EXPECT_EQ(p.Ver(), m.captured(1) + u'.' + m.captured(2));
    bool numeric = false;
    p.Build().toInt(&numeric);
    EXPECT_TRUE(numeric) << p.Build().toStdString();

    const QString host = QSysInfo::machineHostName();
    EXPECT_EQ(p.machine(), host.section(u'.', 0, 0));
    EXPECT_FALSE(p.User().isEmpty());
}

}  // namespace
}  // namespace k4::test
