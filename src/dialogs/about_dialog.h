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

  QLabel *iconPicture = nullptr;
  QLabel *titleLabel = nullptr;    // program name, bold
  QLabel *versionLabel = nullptr;
  QFrame *separatorLine = nullptr;
  QLabel *websiteLink = nullptr;
  QLabel *supportLink = nullptr;
  QPushButton *okButton = nullptr;
  QLabel *noticeLabel = nullptr;   // the maker's notice line

 public slots:
  void visitWebsite();
  void contactSupport();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  Prompts &prompts() const;
  Prompts *prompts_;
};
