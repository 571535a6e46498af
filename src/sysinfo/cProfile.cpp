#include "sysinfo/cProfile.h"

#include <QRegularExpression>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace k4 {

namespace {

QString until_nul(const char* text, std::size_t size)
{
    std::size_t n = 0;
    while (n < size && text[n] != '\0')
        ++n;
    return QString::fromLocal8Bit(text, qsizetype(n));
}

}  // namespace

PlatformFacts read_platform_facts()
{
    PlatformFacts facts;
    // Linux is neither of the two Windows families the profile knows.
    facts.platform_id = 0;

    struct utsname u {};
    if (uname(&u) == 0) {
        // "6.1.0-27-amd64": major.minor is the version, the third number the build.
        const QString release = until_nul(u.release, sizeof u.release);
        static const QRegularExpression numbers(QStringLiteral("^(\\d+)\\.(\\d+)(?:\\.(\\d+))?"));
        const auto m = numbers.match(release);
        if (m.hasMatch()) {
            facts.major_version = m.captured(1).toInt();
            facts.minor_version = m.captured(2).toInt();
            facts.build_number = m.captured(3).toInt();
        }
        facts.csd_version = until_nul(u.version, sizeof u.version);
#ifdef _GNU_SOURCE
        QString domain = until_nul(u.domainname, sizeof u.domainname);
        if (domain == QLatin1String("(none)"))
            domain.clear();
        facts.domain = domain;
#endif
    }

    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) {
        // The computer name is the first label; a DNS domain after it serves
        // as the domain when the system names none.
        const QString full = until_nul(host, sizeof host);
        const qsizetype dot = full.indexOf(u'.');
        facts.computer_name = dot > 0 ? full.left(dot) : full;
        if (facts.domain.isEmpty() && dot > 0)
            facts.domain = full.mid(dot + 1);
    }

    if (const passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        facts.user_name = QString::fromLocal8Bit(pw->pw_name);
    return facts;
}

cProfile::cProfile() : cProfile(read_platform_facts()) {}

cProfile::cProfile(const PlatformFacts& facts)
{
    switch (facts.platform_id) {
    case 1: os_ = QStringLiteral("Windows9x"); break;
    case 2: os_ = QStringLiteral("WindowsNT"); break;
    default: os_ = QStringLiteral("Unknown OS"); break;
    }
    ver_ = QString::number(facts.major_version) + u'.' + QString::number(facts.minor_version);
    build_ = QString::number(facts.build_number);
    // The service-pack text ends at its first NUL, as in the version record.
    const qsizetype nul = facts.csd_version.indexOf(QChar(0));
    csd_ver_ = nul >= 0 ? facts.csd_version.left(nul) : facts.csd_version;
    domain_ = facts.domain;
    machine_ = facts.computer_name;
    user_ = facts.user_name;
}

}  // namespace k4
