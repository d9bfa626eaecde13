// The about window's controls, its etched separator and its load steps.
#include "ui/about/frmAbout.h"

#include "core/General.h"
#include "ui/Dialogs.h"
#include "ui/Fonts.h"
#include "ui/Geometry.h"
#include "ui/Icons.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

constexpr int ClientWidth = 392;
constexpr int ClientHeight = 243;

const QString CreditText = QStringLiteral(
    "Thank you to every railroader who times trains with Trackpace: may they run to scale.");
const QString DisclaimerText = QStringLiteral(
    "Warning: this computer program is protected by copyright law and international treaties. "
    "Unauthorized reproduction or distribution of this program, or any portion of it, may result "
    "in severe civil and criminal penalties. Offenders will be prosecuted.");

QLabel* MakeLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

}  // namespace

frmAbout::frmAbout(QWidget* owner, SysInfoTools tools) : QDialog(owner, DialogFlags()), tools_(std::move(tools))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(LocomotiveIcon());
    setFont(WindowFont());
    setFixedSize(ClientWidth, ClientHeight);

    auto* picIcon = Place(new QLabel(this), QStringLiteral("picIcon"), 240, 240, 540, 540);
    picIcon->setPixmap(LocomotivePicture());
    picIcon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picIcon->setAutoFillBackground(true);
    picIcon->setBackgroundRole(QPalette::Window);
    picIcon->resize(picIcon->sizeHint());
    auto* cmdOK = Place(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOK"), 4365, 2520, 1260, 345);
    auto* cmdSysInfo = Place(new QPushButton(QStringLiteral("&System Info..."), this), QStringLiteral("cmdSysInfo"),
                             4380, 3075, 1245, 345);
    Place(MakeLabel(this, CreditText), QStringLiteral("lblCredit"), 1080, 1560, 3888, 564);
    lblCopyright = Place(MakeLabel(this, QStringLiteral("Copyright")), QStringLiteral("lblCopyright"), 1056, 1128, 3888,
                         324);
    lblTitle = Place(MakeLabel(this, QStringLiteral("Application Title")), QStringLiteral("lblTitle"), 1050, 240, 3885,
                     480);
    lblTitle->setFont(ArialFont(14.25, true));
    lblVersion = Place(MakeLabel(this, QStringLiteral("Version")), QStringLiteral("lblVersion"), 1050, 780, 3885, 225);
    Place(MakeLabel(this, DisclaimerText), QStringLiteral("lblDisclaimer"), 255, 2460, 3990, 1065);

    // OK is both the default and the cancel button; Enter on System Info presses that.
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo->setAutoDefault(true);
    setTabOrder(cmdOK, cmdSysInfo);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(tools_); });
    Load();
    cmdOK->setFocus();
}

void frmAbout::Load()
{
    setWindowTitle(QStringLiteral("About ") + General::AppTitle);
    lblVersion->setText(QStringLiteral("Version ") + General::VersionText());
    lblTitle->setText(General::AppTitle);
    lblCopyright->setText(QStringLiteral("Copyright \u00A9 2026 The Trackpace developers"));
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    // An etched separator: the wide white line first, so that the grey one keeps its
    // own row on top of it and the white shows just below.
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPoint(Px(240), Px(2295)), QPoint(Px(5520), Px(2280)));
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(QPoint(Px(240), Px(2280)), QPoint(Px(5640), Px(2280)));
}
