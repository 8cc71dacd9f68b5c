#pragma once
// The main of the forms' QtTest programs: widgets need an application object, and tests run
// without a display unless one is asked for.

#include <QApplication>
#include <QTest>

#define FORMS_TEST_MAIN(TestClass)                                                                 \
    int main(int argc, char** argv) {                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication app(argc, argv);                                                              \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
