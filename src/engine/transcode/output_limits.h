// What the output side of a transcode asks the driver between two packets.
#pragma once

class OutputLimits {
 public:
  virtual ~OutputLimits() = default;
  // A limit of the outputs ("vframes", "t", "fs") ends the reading, as
  // checked before each read.
  virtual bool outputLimitReached() const = 0;
  // A progress report when the interval has passed.
  virtual void reportWhenDue() = 0;
  // A frame limit has been reached.
  virtual bool frameLimitReached() const = 0;
};
