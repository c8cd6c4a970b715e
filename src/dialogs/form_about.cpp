#include "form_about.h"

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
class TLinkLabel : public QLabel {
 public:
  TLinkLabel(const QString &text, QWidget *parent, std::function<void()> onClick)
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

TFormAbout::TFormAbout(QWidget *owner, IPrompts *prompts)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint),
      prompts_(prompts) {
  setObjectName(QStringLiteral("FormAbout"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
  setFixedSize(359, 244);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(16, 16, 32, 32);
  Image1->setPixmap(ProgramPixmap(32));

  Label1 = new QLabel(QString::fromLatin1(trevix::kProgramTitle), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont bold = Label1->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() + 2);
  Label1->setFont(bold);
  Label1->setGeometry(64, 16, 280, 22);

  Label5 = new QLabel(QString::fromLatin1(trevix::kVersionText), this);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setGeometry(64, 40, 280, 18);

  PanelDemar = new QFrame(this);
  PanelDemar->setObjectName(QStringLiteral("PanelDemar"));
  PanelDemar->setFrameShape(QFrame::HLine);
  PanelDemar->setFrameShadow(QFrame::Sunken);
  PanelDemar->setGeometry(16, 72, 327, 2);

  Label2 = new TLinkLabel(QStringLiteral("Visit Trevix Software Website"), this, [this] { Label2Click(); });
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(64, 92, 250, 18);

  Label3 = new TLinkLabel(QStringLiteral("Contact Support Department"), this, [this] { Label3Click(); });
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(64, 118, 250, 18);

  SpeedButton1 = new QPushButton(QStringLiteral("OK"), this);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  QFont buttonFont = SpeedButton1->font();
  buttonFont.setBold(true);
  SpeedButton1->setFont(buttonFont);
  SpeedButton1->setGeometry(140, 160, 80, 28);
  SpeedButton1->setDefault(true);
  connect(SpeedButton1, &QPushButton::clicked, this, &TFormAbout::SpeedButton1Click);

  Label4 = new QLabel(QString::fromLatin1(trevix::kNoticeLine), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->setAlignment(Qt::AlignCenter);
  Label4->setGeometry(8, 212, 343, 18);

  FormCreate();
}

void TFormAbout::FormCreate() { ApplyFontRule(this); }

void TFormAbout::Label2Click() {
  IPrompts &p = prompts_ ? *prompts_ : AppPrompts();
  p.OpenUrl(QUrl(QString::fromLatin1(trevix::kWebSiteUrl)));
}

void TFormAbout::Label3Click() {
  IPrompts &p = prompts_ ? *prompts_ : AppPrompts();
  p.OpenUrl(QUrl(QString::fromLatin1(trevix::kSupportMailUrl)));
}

void TFormAbout::SpeedButton1Click() { accept(); }

void TFormAbout::showEvent(QShowEvent *event) {
  if (QWidget *owner = parentWidget()) {
    const QRect r = owner->frameGeometry();
    move(r.center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
}
