// Any keystrokes into the length entry, and a long random session of a user's actions.
#include "core/General.h"
#include "core/Scales.h"
#include "settings/Settings.h"
#include "ui/UpDown.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"
#include "ui/prefs/frmPrefs.h"
#include "ui/table/frmTvsS.h"

#include "TestSupport.h"

#include <QtTest>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QToolButton>

#include <cmath>

namespace {

const QString Alphabet = QStringLiteral("0123456789 .+-eE&HhOo,a\t");

// The entry's number as the length entry reads it, read here on its own (not with the
// program's reader): blanks, tabs and line feeds ignored, &H / &O for hexadecimal and
// octal, else the longest decimal literal at the start; 0 for none.
double EntryNumber(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("[ \\t\\n]")));
    if (text.startsWith(u"&H", Qt::CaseInsensitive) || text.startsWith(u"&O", Qt::CaseInsensitive)) {
        const int radix = text.at(1).toUpper() == u'H' ? 16 : 8;
        const QString digits = text.mid(2).section(QRegularExpression(radix == 16 ? "[^0-9A-Fa-f]" : "[^0-7]"), 0, 0);
        return digits.isEmpty() ? 0.0 : static_cast<double>(digits.toLongLong(nullptr, radix));
    }
    static const QRegularExpression literal(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = literal.match(text);
    return match.hasMatch() ? match.captured(0).toDouble() : 0.0;
}

}  // namespace

class TestHostile : public SessionTest {
    Q_OBJECT

private slots:
    void everyShortTextTyped();
    void monkey();

private:
    QByteArray StartingFile() const override { return {}; }
    // Empty when the window agrees with the shared values, else what is wrong.
    QString Disagreement(bool messageShown);
    void Act(QRandomGenerator& random);

};

QString TestHostile::Disagreement(bool messageShown)
{
    const frmHome& home = Home();
    const QString text = Find<QLineEdit>(home, "txtLength")->text();
    if (messageShown && text != QString::number(Find<UpDown>(home, "udLength")->value())) {
        return QStringLiteral("after the message the entry holds \"%1\", not the spinner's %2")
            .arg(text).arg(Find<UpDown>(home, "udLength")->value());
    }
    const double number = EntryNumber(text);
    if (!messageShown && !text.isEmpty() && !(number >= 1 && number <= 240)) {
        return QStringLiteral("the entry holds \"%1\" without a message").arg(text);
    }
    const float feet = General::ScaleDistance;
    if (!(feet >= 0.0F) || feet != std::floor(feet)) {
        return QStringLiteral("ScaleDistance is %1").arg(feet);
    }
    // The run as a float, then ratio x run / 12 in doubles, rounded down.
    const bool circle = Find<QRadioButton>(home, "optCircle")->isChecked();
    const auto run = static_cast<float>(circle ? 2.0 * number * 3.14159 : number);
    const double expected = text.isEmpty() ? 0.0 : std::floor(General::ScaleRatio * static_cast<double>(run) / 12.0);
    if (static_cast<double>(feet) != expected) {
        return QStringLiteral("ScaleDistance %1 for \"%2\", expected %3").arg(feet).arg(text).arg(expected);
    }
    if (Find<QLabel>(home, "lblScaleDist")->text() != QString::number(expected) + QStringLiteral(" ft.")) {
        return QStringLiteral("lblScaleDist shows \"%1\" for %2").arg(Find<QLabel>(home, "lblScaleDist")->text()).arg(feet);
    }
    const auto hours = static_cast<float>(Find<UpDown>(home, "udTime")->value() / 3600.0);
    const QString speed = QString::number(std::floor(expected / 5280.0 / static_cast<double>(hours))) + QStringLiteral(" mph");
    if (Find<QLabel>(home, "lblSpeed")->text() != speed) {
        return QStringLiteral("lblSpeed shows \"%1\", expected \"%2\"").arg(Find<QLabel>(home, "lblSpeed")->text(), speed);
    }
    if (Find<QLabel>(home, "lblTime")->text() != QString::number(Find<UpDown>(home, "udTime")->value())) {
        return QStringLiteral("lblTime shows \"%1\"").arg(Find<QLabel>(home, "lblTime")->text());
    }
    int checked = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        if (ScaleOptionAt(home, i)->isChecked()) {
            ++checked;
            const ScaleEntry& entry = ScaleCatalogue().at(i);
            if (General::ScaleName != entry.name || General::ScaleRatio != entry.ratio) {
                return QStringLiteral("scale %1 is selected but the shared scale is %2").arg(entry.name, General::ScaleName);
            }
        }
    }
    return checked == 1 ? QString() : QStringLiteral("%1 scale buttons are selected").arg(checked);
}

void TestHostile::everyShortTextTyped()
{
    frmHome& home = Home();
    int texts = 0;
    int keys = 0;
    for (const bool circle : {false, true}) {
        QTest::mouseClick(circle ? Find<QRadioButton>(home, "optCircle") : Find<QRadioButton>(home, "optStraight"), Qt::LeftButton);
        for (int length = 0; length <= 3; ++length) {
            const int count = static_cast<int>(std::pow(Alphabet.size(), length));
            for (int n = 0; n < count; ++n) {
                Find<QLineEdit>(home, "txtLength")->setFocus();
                Find<QLineEdit>(home, "txtLength")->selectAll();
                QTest::keyClick(Find<QLineEdit>(home, "txtLength"), Qt::Key_Backspace);
                int code = n;
                for (int k = 0; k < length; ++k) {
                    const QChar key = Alphabet.at(code % Alphabet.size());
                    code /= static_cast<int>(Alphabet.size());
                    const std::size_t before = Session().boxes.boxes.size();
                    QTest::keyClick(Find<QLineEdit>(home, "txtLength"), key.toLatin1());
                    ++keys;
                    const QString wrong = Disagreement(Session().boxes.boxes.size() > before);
                    if (!wrong.isEmpty()) {
                        QFAIL(qPrintable(QStringLiteral("text %1, key %2: %3").arg(n).arg(k).arg(wrong)));
                    }
                }
                ++texts;
            }
        }
    }
    qInfo("typed %d texts, %d keys", texts, keys);
    QCOMPARE(texts, 2 * (1 + 24 + 24 * 24 + 24 * 24 * 24));
}

void TestHostile::Act(QRandomGenerator& random)
{
    frmHome& home = Home();
    const int choice = random.bounded(100);
    if (choice < 10) {
        QTest::mouseClick(ScaleOptionAt(home, random.bounded(6)), Qt::LeftButton);
    } else if (choice < 16) {
        QTest::mouseClick(random.bounded(2) ? Find<QRadioButton>(home, "optCircle") : Find<QRadioButton>(home, "optStraight"), Qt::LeftButton);
    } else if (choice < 36) {
        QTest::mouseClick(random.bounded(2) ? Find<UpDown>(home, "udLength")->upButton() : Find<UpDown>(home, "udLength")->downButton(), Qt::LeftButton);
    } else if (choice < 56) {
        QTest::mouseClick(random.bounded(2) ? Find<UpDown>(home, "udTime")->upButton() : Find<UpDown>(home, "udTime")->downButton(), Qt::LeftButton);
    } else if (choice < 78) {
        Find<QLineEdit>(home, "txtLength")->end(false);
        QTest::keyClick(Find<QLineEdit>(home, "txtLength"), Alphabet.at(random.bounded(Alphabet.size())).toLatin1());
    } else if (choice < 92) {
        Find<QLineEdit>(home, "txtLength")->end(false);
        QTest::keyClick(Find<QLineEdit>(home, "txtLength"), Qt::Key_Backspace);
    } else if (choice < 98) {
        QTest::mouseClick(random.bounded(2) ? Find<QRadioButton>(home, "optTvsS") : Find<QRadioButton>(home, "optChkSpd"), Qt::LeftButton);
    } else if (choice == 98) {
        QTest::mouseClick(Find<QRadioButton>(home, "optTvsS"), Qt::LeftButton);
        WhenModalOpens([](QWidget* modal) { QTest::mouseClick(Find<QPushButton>(*modal, "cmdExit"), Qt::LeftButton); });
        QTest::mouseClick(Find<QPushButton>(home, "cmdCreate"), Qt::LeftButton);
    } else {
        WhenModalOpens([](QWidget* modal) { QTest::mouseClick(Find<QPushButton>(*modal, "cmdCancel"), Qt::LeftButton); });
        Find<QAction>(home, "mnuPref")->trigger();
    }
}

void TestHostile::monkey()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariableIntValue("TRACKPACE_MONKEY_SEED", &given);
    const quint32 used = given ? seed : QRandomGenerator::global()->generate();
    qInfo("monkey seed %u (repeat with TRACKPACE_MONKEY_SEED=%u)", used, used);
    QRandomGenerator random(used);
    for (int action = 1; action <= 20000; ++action) {
        const std::size_t before = Session().boxes.boxes.size();
        Act(random);
        const QString wrong = Disagreement(Session().boxes.boxes.size() > before);
        if (!wrong.isEmpty() || ModalTimedOut()) {
            QFAIL(qPrintable(QStringLiteral("seed %1, action %2: %3").arg(used).arg(action).arg(wrong)));
        }
    }
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
    QVERIFY(!QFile::exists(General::IniPath));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
