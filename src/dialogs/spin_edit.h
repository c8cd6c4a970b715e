// A spin edit whose limits bind the spin buttons and the values the program
// sets, while a number the user types is taken as typed. Its value is its
// text read as an integer; text that is not a number counts as the minimum.
#pragma once

#include <QSpinBox>

class SpinEdit : public QSpinBox {
  Q_OBJECT
 public:
  SpinEdit(int minValue, int maxValue, QWidget *parent = nullptr);

  int minValue() const { return min_; }
  int maxValue() const { return max_; }
  // The text read as an integer, or minValue() when it is not a number.
  int value() const;
  // Sets the value limited to minValue() .. maxValue().
  void setValue(int value);

  void stepBy(int steps) override;

 protected:
  QValidator::State validate(QString &input, int &pos) const override;
  StepEnabled stepEnabled() const override;

 private:
  int min_;
  int max_;
};
