#pragma once
// One running copy of the program per user: a lock file in the user's runtime folder.

#include <QString>

#include <memory>

class QLockFile;

class clsSingleInstance {
public:
    // The lock file "<name>.lock" in the runtime folder (XDG_RUNTIME_DIR).
    explicit clsSingleInstance(const QString& name = "Tessarin");
    ~clsSingleInstance(); // releases a lock this copy holds

    // True when this copy now holds the lock; false when another live copy holds it. A lock
    // left by a crashed copy (its process no longer exists) is taken over. When the lock file
    // cannot be written at all the guard cannot tell, and lets this copy run (true).
    bool TryLock();
    QString LockPath() const;

private:
    std::unique_ptr<QLockFile> m_Lock;
};

// What a second copy tells the user before it ends.
QString SecondInstanceMessage();
