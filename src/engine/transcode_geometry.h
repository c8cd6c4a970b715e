// The geometry stage of a transcoded video stream: crops, scales and pads
// each decoded picture into the encoder's size and pixel format.
//
// Kept on its own so that the frame pipeline can replace or wrap it.
#pragma once

#include <functional>
#include <string>

#include "av_ptr.h"

struct TGeometryPlan {
  int cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
  int padTop = 0, padBottom = 0, padLeft = 0, padRight = 0;
  int padColor[3] = {16, 128, 128};  // Y, U, V
  // Decoder side (before cropping).
  int srcWidth = 0, srcHeight = 0;
  AVPixelFormat srcFormat = AV_PIX_FMT_NONE;
  // Encoder side (after padding).
  int dstWidth = 0, dstHeight = 0;
  AVPixelFormat dstFormat = AV_PIX_FMT_NONE;
  int swsFlags = 4;  // bicubic
};

// Receives the stage's messages (library level, text).
using TGeometryLog = std::function<void(int, const std::string &)>;

class TGeometryStage {
 public:
  // Decides crop, pad and scaling and allocates the temporary picture and
  // the scaler. Throws FFMpegException ("avpicture_alloc fail", "Cannot
  // allocate temp picture, check pix fmt", "Cannot get resampling context").
  void Prepare(const TGeometryPlan &plan);

  // The picture to encode, or nullptr when the stage failed (the reason
  // went to `log`). The result belongs to the stage and stays valid until
  // the next call; the encoder may keep references to it.
  AVFrame *Format(const AVFrame *picture, const TGeometryLog &log);

  void Release();

  bool Crops() const { return crop_; }
  bool Pads() const { return pad_; }
  bool Scales() const { return resample_; }
  const TGeometryPlan &Plan() const { return plan_; }

 private:
  void BuildScaler();
  bool EnsureTemp();
  bool Adapt(const AVFrame *picture, const TGeometryLog &log);

  TGeometryPlan plan_;
  bool crop_ = false, pad_ = false, resample_ = false;
  int resampleHeight_ = 0;
  TSwsContextPtr scaler_;
  TFramePtr temp_;  // encoder format and size
  TFramePtr view_;  // a reference to the decoded picture (crop view)
};
