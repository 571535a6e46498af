#pragma once
// The workstation facts gathered once when the object is created.

#include <QString>

namespace k4 {

// The platform calls behind cProfile, so another platform (or a test) can
// supply its own.
struct PlatformFacts {
    int platform_id = 0;        // 1 = Windows 9x, 2 = Windows NT, other = neither
    int major_version = 0;
    int minor_version = 0;
    qint32 build_number = 0;
    QString csd_version;        // service-pack or kernel version text
    QString domain;
    QString computer_name;
    QString user_name;
};

// The facts of the machine the program runs on (uname, host and user names on Linux).
PlatformFacts read_platform_facts();

class cProfile {
public:
    cProfile();                                  // gathers from read_platform_facts()
    explicit cProfile(const PlatformFacts& facts);

    QString Build() const { return build_; }
    QString CSDVer() const { return csd_ver_; }
    QString machine() const { return machine_; }
    QString Domain() const { return domain_; }
    QString OS() const { return os_; }
    QString User() const { return user_; }
    QString Ver() const { return ver_; }

private:
    QString build_, csd_ver_, machine_, domain_, os_, user_, ver_;
};

}  // namespace k4
