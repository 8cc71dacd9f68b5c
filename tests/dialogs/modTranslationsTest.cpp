#include "modTranslations.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class modTranslationsTest : public QObject {
    Q_OBJECT
private slots:
    void standardButtonsAndLocaleAreItalian() {
        QVERIFY(LoadItalianTranslations(*QCoreApplication::instance()));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString::fromUtf8("&Sì"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("Annulla"));
        QMessageBox box(QMessageBox::Question, "Tessarin", "Confermi ?",
                        QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text(), QString::fromUtf8("&Sì"));
        QCOMPARE(box.button(QMessageBox::No)->text(), QString("&No"));
        const QLocale locale;
        QCOMPARE(locale.monthName(3), QString("marzo"));
        QCOMPARE(locale.toString(1500000.0, 'f', 2), QString("1.500.000,00"));
    }
};

QTEST_MAIN(modTranslationsTest)
#include "modTranslationsTest.moc"
