#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace vexlo {

// Says "this program works on this serial port" to every other Vexlo program of the user: a lock
// file in the private runtime folder, named after the device, held while the object lives. A
// writer killed mid-run leaves a file that the next one recognises as stale and takes over.
// Within one process the lock is shared: only other programs are kept off the port.
class PortLock
{
public:
    // The lock on the port, or nothing when another process holds it. Where no lock file can be
    // made at all, a lock that holds nothing.
    static std::shared_ptr<PortLock> tryAcquire(const QString &devicePath);

    // The lock file of a device: the same for every name of it (a symlink such as
    // /dev/serial/by-id/... and the node it points to).
    static QString lockFilePath(const QString &devicePath);

    explicit PortLock(const QString &lockFile);

private:
    QLockFile m_file;
};

} // namespace vexlo
