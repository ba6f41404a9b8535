#include "gui/TAboutDialog.h"

#include "gui/WelcomePicture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QSysInfo>
#include <QVBoxLayout>

namespace gui {

QString BuildVersionLine()
{
    QString system = QSysInfo::kernelType();
    if (!system.isEmpty())
        system[0] = system[0].toUpper();
    return QStringLiteral("%1 Version %2 (Qt %3)")
        .arg(system.isEmpty() ? QStringLiteral("Linux") : system,
             QCoreApplication::applicationVersion(), QString::fromLatin1(qVersion()));
}

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);

    auto* upper = new QFrame(this);
    upper->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* upperLayout = new QVBoxLayout(upper);
    auto* picture = new QPushButton(upper); // control 150
    picture->setObjectName(QStringLiteral("picture150"));
    const QImage image = WelcomePicture();
    picture->setIcon(QPixmap::fromImage(image));
    picture->setIconSize(image.size());
    picture->setFlat(true);
    upperLayout->addWidget(picture);
    layout->addWidget(upper);

    auto* lower = new QFrame(this);
    lower->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* lowerLayout = new QHBoxLayout(lower);
    auto* icon = new QLabel(lower);
    QIcon programIcon = QApplication::windowIcon();
    if (programIcon.isNull())
        programIcon = style()->standardIcon(QStyle::SP_DesktopIcon);
    icon->setPixmap(programIcon.pixmap(32, 32));
    lowerLayout->addWidget(icon);
    version_ = new QLabel(lower);
    version_->setObjectName(QStringLiteral("text121"));
    version_->setText(BuildVersionLine());
    lowerLayout->addWidget(version_, 1);
    layout->addWidget(lower);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString TAboutDialog::VersionText() const { return version_->text(); }

} // namespace gui
