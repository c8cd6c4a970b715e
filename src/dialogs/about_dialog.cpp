#include "about_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QMouseEvent>
#include <functional>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

#include "app_info.h"
#include "program_icon.h"
#include "prompts.h"

namespace {

// The box's size in the design.
const QSize kDesignSize(359, 244);

// A label that looks and acts like a link: blue, underlined, hand cursor;
// a left click runs `onClick`.
class LinkLabel : public QLabel {
 public:
  LinkLabel(const QString &text, QWidget *parent, std::function<void()> onClick)
      : QLabel(text, parent), onClick_(std::move(onClick)) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::blue);
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent *event) override {
    QLabel::mouseReleaseEvent(event);
    if (onClick_ && rect().contains(event->position().toPoint())) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

}  // namespace

AboutDialog::AboutDialog(QWidget *owner, Prompts *prompts)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),
      prompts_(prompts) {
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(tr("About"));
  setModal(true);

  iconPicture = new QLabel(this);
  iconPicture->setObjectName(QStringLiteral("iconPicture"));
  iconPicture->setPixmap(programPixmap(32));
  iconPicture->setAlignment(Qt::AlignTop);

  titleLabel = new QLabel(QString::fromLatin1(trevix::kProgramTitle), this);
  titleLabel->setObjectName(QStringLiteral("titleLabel"));
  QFont bold = titleLabel->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() + 2);
  titleLabel->setFont(bold);

  versionLabel = new QLabel(tr("Version %1").arg(QString::fromLatin1(trevix::kVersionNumber)), this);
  versionLabel->setObjectName(QStringLiteral("versionLabel"));

  separatorLine = new QFrame(this);
  separatorLine->setObjectName(QStringLiteral("separatorLine"));
  separatorLine->setFrameShape(QFrame::HLine);
  separatorLine->setFrameShadow(QFrame::Sunken);

  websiteLink = new LinkLabel(tr("Visit Trevix Software Website"), this, [this] { visitWebsite(); });
  websiteLink->setObjectName(QStringLiteral("websiteLink"));

  supportLink = new LinkLabel(tr("Contact Support Department"), this, [this] { contactSupport(); });
  supportLink->setObjectName(QStringLiteral("supportLink"));

  okButton = new QPushButton(tr("OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  QFont buttonFont = okButton->font();
  buttonFont.setBold(true);
  okButton->setFont(buttonFont);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

  noticeLabel = new QLabel(tr("Copyright (C) Trevix Software. All rights reserved."), this);
  noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
  noticeLabel->setAlignment(Qt::AlignCenter);

  auto *heading = new QGridLayout;
  heading->addWidget(iconPicture, 0, 0, 2, 1);
  heading->addWidget(titleLabel, 0, 1);
  heading->addWidget(versionLabel, 1, 1);
  heading->setColumnStretch(1, 1);
  heading->setHorizontalSpacing(16);
  auto *links = new QVBoxLayout;
  links->setContentsMargins(48, 8, 0, 8);
  links->addWidget(websiteLink);
  links->addWidget(supportLink);
  auto *buttonRow = new QHBoxLayout;
  buttonRow->addStretch(1);
  buttonRow->addWidget(okButton);
  buttonRow->addStretch(1);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 8);
  layout->addLayout(heading);
  layout->addSpacing(8);
  layout->addWidget(separatorLine);
  layout->addLayout(links);
  layout->addStretch(1);
  // Every text above the button that closes the box.
  layout->addWidget(noticeLabel);
  layout->addSpacing(12);
  layout->addLayout(buttonRow);
  // The design size, or more where a larger desktop font needs it.
  setFixedSize(kDesignSize.expandedTo(layout->totalMinimumSize()));
}

Prompts &AboutDialog::prompts() const { return prompts_ ? *prompts_ : appPrompts(); }

void AboutDialog::visitWebsite() { prompts().openUrl(QUrl(QString::fromLatin1(trevix::kWebSiteUrl))); }

void AboutDialog::contactSupport() { prompts().openUrl(QUrl(QString::fromLatin1(trevix::kSupportMailUrl))); }

void AboutDialog::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
