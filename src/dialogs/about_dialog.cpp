#include "about_dialog.h"

#include <QFrame>
#include <QMouseEvent>
#include <functional>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

#include "app_info.h"
#include "font_rule.h"
#include "program_icon.h"
#include "prompts.h"

namespace {

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
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setFixedSize(359, 244);

  iconPicture = new QLabel(this);
  iconPicture->setObjectName(QStringLiteral("iconPicture"));
  iconPicture->setGeometry(16, 16, 32, 32);
  iconPicture->setPixmap(programPixmap(32));

  titleLabel = new QLabel(QString::fromLatin1(trevix::kProgramTitle), this);
  titleLabel->setObjectName(QStringLiteral("titleLabel"));
  QFont bold = titleLabel->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() + 2);
  titleLabel->setFont(bold);
  titleLabel->setGeometry(64, 16, 280, 22);

  versionLabel = new QLabel(QString::fromLatin1(trevix::kVersionText), this);
  versionLabel->setObjectName(QStringLiteral("versionLabel"));
  versionLabel->setGeometry(64, 40, 280, 18);

  separatorLine = new QFrame(this);
  separatorLine->setObjectName(QStringLiteral("separatorLine"));
  separatorLine->setFrameShape(QFrame::HLine);
  separatorLine->setFrameShadow(QFrame::Sunken);
  separatorLine->setGeometry(16, 72, 327, 2);

  websiteLink = new LinkLabel(QStringLiteral("Visit Trevix Software Website"), this, [this] { visitWebsite(); });
  websiteLink->setObjectName(QStringLiteral("websiteLink"));
  websiteLink->setGeometry(64, 92, 250, 18);

  supportLink = new LinkLabel(QStringLiteral("Contact Support Department"), this, [this] { contactSupport(); });
  supportLink->setObjectName(QStringLiteral("supportLink"));
  supportLink->setGeometry(64, 118, 250, 18);

  okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  QFont buttonFont = okButton->font();
  buttonFont.setBold(true);
  okButton->setFont(buttonFont);
  okButton->setGeometry(140, 160, 80, 28);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

  noticeLabel = new QLabel(QString::fromLatin1(trevix::kNoticeLine), this);
  noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
  noticeLabel->setAlignment(Qt::AlignCenter);
  noticeLabel->setGeometry(8, 212, 343, 18);

  applyFontRule(this);
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
