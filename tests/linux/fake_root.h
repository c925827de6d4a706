// A fake root for the Linux board's unit tests: a folder tree laid out as
// the kernel lays out sysfs and procfs, for what no test kernel can show
// (many hwmon chips, cpufreq, intrusion alarms, odd units). Removed with the object.
#ifndef OMBIX_TESTS_LINUX_FAKE_ROOT_H
#define OMBIX_TESTS_LINUX_FAKE_ROOT_H

#include <map>
#include <string>
#include <vector>

namespace ombix::linux_test {

class FakeRoot {
public:
    FakeRoot();
    ~FakeRoot();
    FakeRoot(const FakeRoot &) = delete;
    FakeRoot &operator=(const FakeRoot &) = delete;

    const std::string &path() const { return path_; }
    // Writes a file below the root (folders made as needed).
    void file(const std::string &relative, const std::string &content);
    void bytes(const std::string &relative, const std::vector<unsigned char> &content);
    std::string read(const std::string &relative) const;
    // A symbolic link at `relative` pointing to `target` (relative to the root).
    void link(const std::string &relative, const std::string &target);

    // An hwmon chip of driver `name` at the device folder `device` (below
    // /sys/devices), numbered hwmon`index`, with its attributes.
    void hwmon(int index, const std::string &device, const std::string &name,
               const std::map<std::string, std::string> &attributes);
    // An I2C adapter i2c-`number` with its name, below /sys/devices.
    void i2c_adapter(int number, const std::string &name);
    // A class device (/sys/class/<klass>/<name>) at `device`, with its attributes.
    void class_device(const std::string &klass, const std::string &name, const std::string &device,
                      const std::map<std::string, std::string> &attributes);

private:
    std::string path_;
};

// Configures the Linux board on `root` with an optional board file (JSON text)
// and a state directory inside the root; returns the configuration's code.
int configure(const FakeRoot &root, const std::string &board_file_json = "");

}  // namespace ombix::linux_test

#endif
