// The "Fit into" box of the main window: "Off", the sizes people send clips
// in (8, 10, 25, 50 and 100 MB), or a size typed in megabytes ("12" or
// "12.5 MB"). What is typed is refused as it is typed unless it can become
// such a size; a text that is no size when the box is left (or Enter is
// pressed) gives way to the size the box held.
#pragma once

#include <QComboBox>
#include <QString>
#include <cstdint>
#include <optional>

class FitIntoBox : public QComboBox {
  Q_OBJECT
 public:
  explicit FitIntoBox(QWidget *parent = nullptr);

  // Shows `bytes` (0: "Off") without raising sizeChosen.
  void showSize(int64_t bytes);
  int64_t size() const { return bytes_; }

  // The bytes a text of the box stands for: 0 for the first item ("Off"),
  // a number of megabytes within the settings' range with at most two
  // decimals and an optional "MB"; none for anything else.
  std::optional<int64_t> bytesOf(const QString &text) const;
  // "Off", "25 MB", "12.5 MB".
  QString textOf(int64_t bytes) const;

 signals:
  // The user picked or typed a size other than the one shown.
  void sizeChosen(qint64 bytes);

 protected:
  void focusOutEvent(QFocusEvent *event) override;

 private:
  void takeText();

  int64_t bytes_ = 0;
};
