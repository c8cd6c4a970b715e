// The About box: program icon, name, version, the web-site and support
// links, and "OK". Modal, always on top, centred on its owner.
#pragma once

#include <QDialog>

class Prompts;
class QLabel;
class QFrame;
class QPushButton;

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  // `prompts` opens the links (nullptr: the program-wide prompts).
  explicit AboutDialog(QWidget *owner, Prompts *prompts = nullptr);

  QLabel *image1 = nullptr;
  QLabel *label1 = nullptr;  // program name, bold
  QLabel *label5 = nullptr;  // version
  QFrame *panelDemar = nullptr;
  QLabel *label2 = nullptr;  // web-site link
  QLabel *label3 = nullptr;  // support link
  QPushButton *speedButton1 = nullptr;
  QLabel *label4 = nullptr;  // notice line

 public slots:
  void label2Click();
  void label3Click();
  void speedButton1Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void formCreate();
  Prompts *prompts_;
};
