#pragma once
// Gives each test a settings store and a program folder of its own, and a frozen clock, so
// no test sees what another one wrote.

#include <DbmsClock.h>

#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class TempEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath("config"));
        m_hadHome = qEnvironmentVariableIsSet("TESSARIN_HOME");
        m_oldHome = qgetenv("TESSARIN_HOME");
        qputenv("TESSARIN_HOME", m_dir.filePath("home").toUtf8());
        DbmsClock::SetFixed(QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    }
    void TearDown() override {
        DbmsClock::Reset();
        if (m_hadHome)
            qputenv("TESSARIN_HOME", m_oldHome);
        else
            qunsetenv("TESSARIN_HOME");
    }

    QString StoreFile() const { return m_dir.filePath("config/Tessarin/Tessarin.ini"); }

    QTemporaryDir m_dir;

private:
    bool m_hadHome = false;
    QByteArray m_oldHome;
};
