#pragma once
// Gives each test a settings store and a program folder of its own, and a frozen clock, so
// no test sees what another one wrote. Set up on construction, so a fixture that overrides
// SetUp or TearDown cannot skip it.

#include "FixedClock.h"
#include "TestValues.h"

#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class TempEnvironment : public ::testing::Test {
protected:
    TempEnvironment() {
        EXPECT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.filePath("config"));
        qputenv("TESSARIN_HOME", m_dir.filePath("home").toUtf8());
    }
    ~TempEnvironment() override {
        if (m_hadHome)
            qputenv("TESSARIN_HOME", m_oldHome);
        else
            qunsetenv("TESSARIN_HOME");
    }

    QString StoreFile() const { return m_dir.filePath("config/Tessarin/Tessarin.ini"); }

    QTemporaryDir m_dir;
    FixedClock m_clock{QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30))};

private:
    bool m_hadHome = qEnvironmentVariableIsSet("TESSARIN_HOME");
    QByteArray m_oldHome = qgetenv("TESSARIN_HOME");
};
