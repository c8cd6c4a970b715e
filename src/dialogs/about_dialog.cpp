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
  setObjectName(QStringLiteral("FormAbout"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setFixedSize(359, 244);

  image1 = new QLabel(this);
  image1->setObjectName(QStringLiteral("Image1"));
  image1->setGeometry(16, 16, 32, 32);
  image1->setPixmap(programPixmap(32));

  label1 = new QLabel(QString::fromLatin1(trevix::kProgramTitle), this);
  label1->setObjectName(QStringLiteral("Label1"));
  QFont bold = label1->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() + 2);
  label1->setFont(bold);
  label1->setGeometry(64, 16, 280, 22);

  label5 = new QLabel(QString::fromLatin1(trevix::kVersionText), this);
  label5->setObjectName(QStringLiteral("Label5"));
  label5->setGeometry(64, 40, 280, 18);

  panelDemar = new QFrame(this);
  panelDemar->setObjectName(QStringLiteral("PanelDemar"));
  panelDemar->setFrameShape(QFrame::HLine);
  panelDemar->setFrameShadow(QFrame::Sunken);
  panelDemar->setGeometry(16, 72, 327, 2);

  label2 = new LinkLabel(QStringLiteral("Visit Trevix Software Website"), this, [this] { label2Click(); });
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setGeometry(64, 92, 250, 18);

  label3 = new LinkLabel(QStringLiteral("Contact Support Department"), this, [this] { label3Click(); });
  label3->setObjectName(QStringLiteral("Label3"));
  label3->setGeometry(64, 118, 250, 18);

  speedButton1 = new QPushButton(QStringLiteral("OK"), this);
  speedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  QFont buttonFont = speedButton1->font();
  buttonFont.setBold(true);
  speedButton1->setFont(buttonFont);
  speedButton1->setGeometry(140, 160, 80, 28);
  speedButton1->setDefault(true);
  connect(speedButton1, &QPushButton::clicked, this, &AboutDialog::speedButton1Click);

  label4 = new QLabel(QString::fromLatin1(trevix::kNoticeLine), this);
  label4->setObjectName(QStringLiteral("Label4"));
  label4->setAlignment(Qt::AlignCenter);
  label4->setGeometry(8, 212, 343, 18);

  formCreate();
}

void AboutDialog::formCreate() { applyFontRule(this); }

void AboutDialog::label2Click() {
  Prompts &p = prompts_ ? *prompts_ : appPrompts();
  p.openUrl(QUrl(QString::fromLatin1(trevix::kWebSiteUrl)));
}

void AboutDialog::label3Click() {
  Prompts &p = prompts_ ? *prompts_ : appPrompts();
  p.openUrl(QUrl(QString::fromLatin1(trevix::kSupportMailUrl)));
}

void AboutDialog::speedButton1Click() { accept(); }

void AboutDialog::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
