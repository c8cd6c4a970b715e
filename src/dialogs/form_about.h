// The About box: program icon, name, version, the web-site and support
// links, and "OK". Modal, always on top, centred on its owner.
#pragma once

#include <QDialog>

class IPrompts;
class QLabel;
class QFrame;
class QPushButton;

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  // `prompts` opens the links (nullptr: the program-wide prompts).
  explicit TFormAbout(QWidget *owner, IPrompts *prompts = nullptr);

  QLabel *Image1 = nullptr;
  QLabel *Label1 = nullptr;  // program name, bold
  QLabel *Label5 = nullptr;  // version
  QFrame *PanelDemar = nullptr;
  QLabel *Label2 = nullptr;  // web-site link
  QLabel *Label3 = nullptr;  // support link
  QPushButton *SpeedButton1 = nullptr;
  QLabel *Label4 = nullptr;  // notice line

 public slots:
  void Label2Click();
  void Label3Click();
  void SpeedButton1Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void FormCreate();
  IPrompts *prompts_;
};
