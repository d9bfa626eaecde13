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

}  // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyShortTextTyped();
    void monkey();

private:
    // Empty when the window agrees with the shared values, else what is wrong.
    QString Disagreement(bool messageShown) const;
    void Act(QRandomGenerator& random);

    std::unique_ptr<TestSession> session_;
};

void TestHostile::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestHostile::init()
{
    session_ = std::make_unique<TestSession>();
    QVERIFY(session_->Start());
}

void TestHostile::cleanup()
{
    session_.reset();
    QVERIFY2(!ModalTimedOut(), "a modal window was left open");
}

QString TestHostile::Disagreement(bool messageShown) const
{
    const frmHome& home = session_->host->Home();
    const QString text = home.txtLength->text();
    if (messageShown && text != QString::number(home.udLength->value())) {
        return QStringLiteral("after the message the entry holds \"%1\", not the spinner's %2")
            .arg(text).arg(home.udLength->value());
    }
    if (!messageShown && !text.isEmpty() && !LengthInRange(LeadingNumber(text), 1, 240)) {
        return QStringLiteral("the entry holds \"%1\" without a message").arg(text);
    }
    const float feet = General::ScaleDistance;
    if (!(feet >= 0.0F) || feet != std::floor(feet)) {
        return QStringLiteral("ScaleDistance is %1").arg(feet);
    }
    const float expected =
        text.isEmpty() ? 0.0F : ScaleDistanceOf(General::ScaleRatio, RunLengthOf(text, home.optCircle->isChecked()));
    if (feet != expected) {
        return QStringLiteral("ScaleDistance %1 for \"%2\", expected %3").arg(feet).arg(text).arg(expected);
    }
    if (home.lblScaleDist->text() != WholeText(feet) + QStringLiteral(" ft.")) {
        return QStringLiteral("lblScaleDist shows \"%1\" for %2").arg(home.lblScaleDist->text()).arg(feet);
    }
    float hours = 0.0F;
    const QString speed = QString::number(ScaleSpeedOf(feet, home.udTime->value(), hours)) + QStringLiteral(" mph");
    if (home.lblSpeed->text() != speed) {
        return QStringLiteral("lblSpeed shows \"%1\", expected \"%2\"").arg(home.lblSpeed->text(), speed);
    }
    if (home.lblTime->text() != QString::number(home.udTime->value())) {
        return QStringLiteral("lblTime shows \"%1\"").arg(home.lblTime->text());
    }
    int checked = 0;
    for (std::size_t i = 0; i < home.optScale.size(); ++i) {
        if (home.optScale.at(i)->isChecked()) {
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
    frmHome& home = session_->host->Home();
    int texts = 0;
    int keys = 0;
    for (const bool circle : {false, true}) {
        QTest::mouseClick(circle ? home.optCircle : home.optStraight, Qt::LeftButton);
        for (int length = 0; length <= 3; ++length) {
            const int count = static_cast<int>(std::pow(Alphabet.size(), length));
            for (int n = 0; n < count; ++n) {
                home.txtLength->setFocus();
                home.txtLength->selectAll();
                QTest::keyClick(home.txtLength, Qt::Key_Backspace);
                int code = n;
                for (int k = 0; k < length; ++k) {
                    const QChar key = Alphabet.at(code % Alphabet.size());
                    code /= static_cast<int>(Alphabet.size());
                    const std::size_t before = session_->boxes.boxes.size();
                    QTest::keyClick(home.txtLength, key.toLatin1());
                    ++keys;
                    const QString wrong = Disagreement(session_->boxes.boxes.size() > before);
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
    frmHome& home = session_->host->Home();
    const int choice = random.bounded(100);
    if (choice < 10) {
        QTest::mouseClick(home.optScale.at(random.bounded(6)), Qt::LeftButton);
    } else if (choice < 16) {
        QTest::mouseClick(random.bounded(2) ? home.optCircle : home.optStraight, Qt::LeftButton);
    } else if (choice < 36) {
        QTest::mouseClick(random.bounded(2) ? home.udLength->upButton() : home.udLength->downButton(), Qt::LeftButton);
    } else if (choice < 56) {
        QTest::mouseClick(random.bounded(2) ? home.udTime->upButton() : home.udTime->downButton(), Qt::LeftButton);
    } else if (choice < 78) {
        home.txtLength->end(false);
        QTest::keyClick(home.txtLength, Alphabet.at(random.bounded(Alphabet.size())).toLatin1());
    } else if (choice < 92) {
        home.txtLength->end(false);
        QTest::keyClick(home.txtLength, Qt::Key_Backspace);
    } else if (choice < 98) {
        QTest::mouseClick(random.bounded(2) ? home.optTvsS : home.optChkSpd, Qt::LeftButton);
    } else if (choice == 98) {
        QTest::mouseClick(home.optTvsS, Qt::LeftButton);
        WhenModalOpens([](QWidget* modal) { QTest::mouseClick(qobject_cast<frmTvsS*>(modal)->cmdExit, Qt::LeftButton); });
        QTest::mouseClick(home.cmdCreate, Qt::LeftButton);
    } else {
        WhenModalOpens([](QWidget* modal) { QTest::mouseClick(qobject_cast<frmPrefs*>(modal)->cmdCancel, Qt::LeftButton); });
        home.mnuPref->trigger();
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
        const std::size_t before = session_->boxes.boxes.size();
        Act(random);
        const QString wrong = Disagreement(session_->boxes.boxes.size() > before);
        if (!wrong.isEmpty() || ModalTimedOut()) {
            QFAIL(qPrintable(QStringLiteral("seed %1, action %2: %3").arg(used).arg(action).arg(wrong)));
        }
    }
    QCOMPARE(General::DefScale, QStringLiteral("HO"));
    QVERIFY(!QFile::exists(General::IniPath));
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
