// Recorded message boxes, reset of the shared state and the modal-window driver.
#include "TestSupport.h"
#include "core/Files.h"

#include "core/General.h"
#include "settings/Settings.h"
#include "settings/Startup.h"
#include "ui/home/HomeHost.h"
#include "ui/home/frmHome.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <memory>

MessageRecorder::MessageRecorder()
{
    previous_ = MessageBox::SetPresenter([this](const MessageBox::Request& request) {
        boxes.push_back(request);
        if (onShow) {
            onShow(request);
        }
        return request.buttons == MessageBox::Buttons::Ok ? MessageBox::Answer::Ok : answer;
    });
}

MessageRecorder::~MessageRecorder()
{
    MessageBox::SetPresenter(previous_);
}

QStringList MessageRecorder::Texts() const
{
    QStringList texts;
    for (const MessageBox::Request& box : boxes) {
        texts << box.text;
    }
    return texts;
}

void ResetGeneral()
{
    General::SetIniFolder(std::nullopt);
    General::SetLogFolder(std::nullopt);
    General::DefScale.clear();
    General::DefTrackConfig.clear();
    General::DefLength = 0.0F;
    General::ScaleRatio = 0.0F;
    General::ScaleName.clear();
    General::ScaleDistance = 0.0F;
    General::WorkTime = 0.0F;
    General::InitMessage.clear();
    General::IniKeys.clear();
    General::IniValues.clear();
    General::MinLength = 1;
    General::MaxLength = 240;
}

namespace {
bool timedOut = false;
}

void WhenModalOpens(std::function<void(QWidget* modal)> act, int timeoutMs)
{
    timedOut = false;
    auto* poll = new QTimer(qApp);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, clock, act = std::move(act), timeoutMs] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
            // A window the test forgot to close would block the test for good.
            QTimer::singleShot(timeoutMs, [guard = QPointer<QWidget>(modal)] {
                if (guard && guard->isVisible()) {
                    timedOut = true;
                    guard->close();
                }
            });
            return;
        }
        if (clock->elapsed() > timeoutMs) {
            timedOut = true;
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

bool ModalTimedOut()
{
    return timedOut;
}

std::unique_ptr<HomeHost> StartProgram(MessageRecorder& boxes)
{
    auto host = std::make_unique<HomeHost>();
    LoadSettings(*host);
    host->ShowMainWindow();
    // The callers check that the window became active.
    static_cast<void>(QTest::qWaitForWindowActive(&host->Home()));
    boxes.boxes.clear();
    return host;
}

void AddLayoutColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
}

void LayoutRow(const char* name, QRect twips, const QString& caption, const QString& tooltip, Qt::Alignment alignment,
               double points, bool bold)
{
    QTest::newRow(name) << QString::fromLatin1(name) << twips << caption << tooltip << int(alignment) << points << bold;
}

void LayoutScaleRows(int hoWidth)
{
    const QStringList scales{"Z", "N", "HO", "S", "O", "G"};
    for (int i = 0; i < 6; ++i) {
        const QByteArray name = "optScale" + QByteArray::number(i + 1);
        LayoutRow(name.constData(), {120, 360 * (i + 1), scales.at(i) == u"HO" ? hoWidth : 492, 252}, scales.at(i),
                  u' ' + scales.at(i) + QStringLiteral(" Scale "));
    }
}

QString LayoutName()
{
    QFETCH(QString, name);
    return name;
}

namespace {

int Pixels(int twips)
{
    return static_cast<int>(std::lround(twips / 15.0));
}

QString CaptionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        return frame->title();
    }
    if (const auto* entry = qobject_cast<const QLineEdit*>(control)) {
        return entry->text();
    }
    return {};
}

int AlignmentOf(const QWidget* control)
{
    Qt::Alignment alignment;
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        alignment = label->alignment();
    } else if (const auto* entry = qobject_cast<const QLineEdit*>(control)) {
        alignment = entry->alignment();
    }
    return int(alignment & Qt::AlignHorizontal_Mask);
}

}  // namespace

void CompareWithLayout(QWidget* control)
{
    QFETCH(QRect, twips);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(int, alignment);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QVERIFY(control != nullptr);
    const QRect pixels(Pixels(twips.x()), Pixels(twips.y()), Pixels(twips.width()), Pixels(twips.height()));
    QCOMPARE(control->geometry(), pixels);
    QCOMPARE(CaptionOf(control), caption);
    QCOMPARE(control->toolTip(), tooltip);
    QCOMPARE(AlignmentOf(control), alignment);
    QCOMPARE(control->font().family(), QStringLiteral("Arial"));
    QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(control->font().bold(), bold);
    if (auto* option = qobject_cast<QRadioButton*>(control)) {
        ClickNearRightEdge(option);
    }
}

QRadioButton* ScaleOptionAt(const QObject& window, std::size_t index)
{
    return Find<QRadioButton>(window, QStringLiteral("optScale%1").arg(index + 1));
}

void ClickNearRightEdge(QRadioButton* option)
{
    QVERIFY(option != nullptr);
    for (QRadioButton* other : option->parentWidget()->findChildren<QRadioButton*>()) {
        if (other != option) {
            other->setChecked(true);
            break;
        }
    }
    QVERIFY(!option->isChecked());
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(option->width() - 3, option->height() / 2));
    QVERIFY2(option->isChecked(), qPrintable(option->text()));
}

void StartUpAsTheProgram()
{
    const MessageRecorder boxes;
    HomeHost host;
    General::Main(host);
    host.Home().close();
}

bool OnWindows()
{
    return QSysInfo::kernelType() == u"winnt";
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void CheckBox(const MessageBox::Request& box, const QString& title, MessageBox::Icon icon, MessageBox::Buttons buttons)
{
    QCOMPARE(box.title, title);
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.buttons, buttons);
}

TestSession::TestSession()
{
    // Each test closes its main window; that must not end the next test's dialogs.
    QApplication::setQuitOnLastWindowClosed(false);
    ResetGeneral();
    General::SetIniFolder(PathBytes(dir.path()));
    General::SetLogFolder(PathBytes(dir.path()));
}

void TestSession::WriteIni(const QByteArray& bytes) const
{
    QFile file(PathText(General::IniPathNative));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
    }
}

bool TestSession::Start()
{
    host = StartProgram(boxes);
    return host->Home().isActiveWindow();
}

frmHome& SessionTest::Home()
{
    return session_->host->Home();
}

void SessionTest::Restart(const QByteArray& file)
{
    session_ = std::make_unique<TestSession>();
    if (!file.isEmpty()) {
        session_->WriteIni(file);
    }
    QVERIFY(session_->Start());
}

void SessionTest::init()
{
    Restart(StartingFile());
}

void SessionTest::cleanup()
{
    CloseFiles();
    session_.reset();
    QVERIFY2(!ModalTimedOut(), "a modal window was left open");
}
