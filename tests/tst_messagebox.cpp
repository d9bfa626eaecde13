// The real message box the program shows: icon, title, text, buttons and default, for each kind of box.
#include "core/MessageBox.h"
#include "ui/MessageBoxPresenter.h"
#include "ui/table/frmTvsS.h"

#include "TestSupport.h"

#include <QtTest>
#include <QPushButton>
#include <QMessageBox>

namespace {

struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
    Qt::TextFormat format = Qt::AutoText;
    bool selectable = false;
    bool modal = false;
    Qt::WindowModality modality = Qt::NonModal;
};

// Opens the box the program would show for `request`, looks at it and closes it
// with `press` (a button, or Esc when NoButton); returns the answer and the look.
std::pair<MessageBox::Answer, Seen> Show(const MessageBox::Request& request, QMessageBox::StandardButton press)
{
    Seen seen;
    WhenModalOpens([&seen, press](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            modal->close();
            return;
        }
        seen = {box->icon(),
                box->windowTitle(),
                box->text(),
                box->standardButtons(),
                box->standardButton(box->defaultButton()),
                box->standardButton(box->escapeButton()),
                box->textFormat(),
                box->textInteractionFlags().testFlag(Qt::TextSelectableByMouse),
                box->isModal(),
                box->windowModality()};
        if (press == QMessageBox::NoButton) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->button(press)->click();
        }
    });
    const MessageBox::Answer answer = request.buttons == MessageBox::Buttons::Ok
                                          ? (MessageBox::Show(request.title, request.text, request.icon), MessageBox::Answer::Ok)
                                          : (MessageBox::AskSave(request.title, request.text, request.icon)
                                                 ? MessageBox::Answer::Save
                                                 : MessageBox::Answer::Cancel);
    return {answer, seen};
}

}  // namespace

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void boxes_data();
    void boxes();
    void tableWindowKeepsNoDefaultButton();
    void withoutWindowsTheTextIsLogged();
};

void TestMessageBox::initTestCase()
{
    InstallWidgetMessageBox();
}

void TestMessageBox::cleanup()
{
    QVERIFY2(!ModalTimedOut(), "no box opened, or it stayed open");
}

void TestMessageBox::boxes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("qtIcon");
    QTest::addColumn<int>("qtButtons");

    const int ok = QMessageBox::Ok;
    const int saveCancel = QMessageBox::Save | QMessageBox::Cancel;
    QTest::newRow("information, OK") << 0 << int(MessageBox::Icon::Information) << int(MessageBox::Buttons::Ok) << ok
                                     << int(MessageBox::Answer::Ok) << int(QMessageBox::Information) << ok;
    QTest::newRow("exclamation, OK") << 0 << int(MessageBox::Icon::Exclamation) << int(MessageBox::Buttons::Ok) << ok
                                     << int(MessageBox::Answer::Ok) << int(QMessageBox::Warning) << ok;
    QTest::newRow("no icon, Esc") << 0 << int(MessageBox::Icon::None) << int(MessageBox::Buttons::Ok)
                                  << int(QMessageBox::NoButton) << int(MessageBox::Answer::Ok)
                                  << int(QMessageBox::NoIcon) << ok;
    QTest::newRow("offer, Save") << 1 << int(MessageBox::Icon::Exclamation) << int(MessageBox::Buttons::SaveCancel)
                                 << int(QMessageBox::Save) << int(MessageBox::Answer::Save)
                                 << int(QMessageBox::Warning) << saveCancel;
    QTest::newRow("offer, Cancel") << 1 << int(MessageBox::Icon::Exclamation) << int(MessageBox::Buttons::SaveCancel)
                                   << int(QMessageBox::Cancel) << int(MessageBox::Answer::Cancel)
                                   << int(QMessageBox::Warning) << saveCancel;
    QTest::newRow("offer, Esc") << 1 << int(MessageBox::Icon::Exclamation) << int(MessageBox::Buttons::SaveCancel)
                                << int(QMessageBox::NoButton) << int(MessageBox::Answer::Cancel)
                                << int(QMessageBox::Warning) << saveCancel;
}

void TestMessageBox::boxes()
{
    QFETCH(int, kind);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(int, qtIcon);
    QFETCH(int, qtButtons);
    const MessageBox::Request request{QStringLiteral("Trackpace - Initialization Error"),
                                      QStringLiteral("First line\rsecond line . . . the end."),
                                      static_cast<MessageBox::Icon>(icon), static_cast<MessageBox::Buttons>(buttons)};
    const auto [given, seen] = Show(request, static_cast<QMessageBox::StandardButton>(press));
    QCOMPARE(int(given), answer);
    QCOMPARE(int(seen.icon), qtIcon);
    QCOMPARE(seen.title, request.title);
    // A carriage return starts a new line; the text is shown as it stands, not as markup.
    QCOMPARE(seen.text, QStringLiteral("First line\nsecond line . . . the end."));
    QCOMPARE(seen.format, Qt::PlainText);
    QCOMPARE(int(seen.buttons), qtButtons);
    QCOMPARE(seen.defaultButton, kind == 0 ? QMessageBox::Ok : QMessageBox::Save);
    QCOMPARE(seen.escapeButton, kind == 0 ? QMessageBox::Ok : QMessageBox::Cancel);
    QVERIFY(seen.selectable);
    QVERIFY(seen.modal);
    // Modal to the window it belongs to, not to the program: the run timer goes on.
    QCOMPARE(seen.modality, Qt::WindowModal);
}

void TestMessageBox::tableWindowKeepsNoDefaultButton()
{
    // A print that finds no printer asks, in a real box, whether to save a PDF.
    std::atomic<int> asked = 0;
    frmTvsS table(nullptr, [] { return LengthEntry{false, QStringLiteral("48")}; });
    table.Route.findPrinter = [&asked] {
        ++asked;
        return PrinterChoice{PrinterChoice::Kind::NoPrinters, {}};
    };
    table.show();
    QVERIFY(QTest::qWaitForWindowActive(&table));
    for (int round = 1; round <= 2; ++round) {
        WhenModalOpens([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        // Enter presses the button that has the focus, Print; no other is the default.
        QTest::keyClick(Find<QPushButton>(table, "cmdPrint"), Qt::Key_Return);
        QTRY_VERIFY(!table.Printing());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(asked, round);
        QVERIFY(!Find<QPushButton>(table, "cmdPrint")->isDefault());
        QVERIFY(!Find<QPushButton>(table, "cmdExit")->isDefault());
        QVERIFY(table.isVisible());
    }
}

void TestMessageBox::withoutWindowsTheTextIsLogged()
{
    // With no window layer to answer it, a box's words go to the log, and an offer
    // counts as declined.
    const MessageBox::Presenter previous = MessageBox::SetPresenter(nullptr);
    QTest::ignoreMessage(QtWarningMsg, "Trackpace: No printer is set up on this computer.");
    const bool saved = MessageBox::AskSave(QStringLiteral("Trackpace"),
                                           QStringLiteral("No printer is set up on this computer."),
                                           MessageBox::Icon::Exclamation);
    QTest::ignoreMessage(QtWarningMsg, "Invalid Entry: Value must be between 1 and 240.");
    MessageBox::Show(QStringLiteral("Invalid Entry"), QStringLiteral("Value must be between 1 and 240."),
                     MessageBox::Icon::Information);
    MessageBox::SetPresenter(previous);
    QVERIFY(!saved);
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
