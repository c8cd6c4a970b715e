#include "source_prober.h"

#include <exception>

#include "engine_relay.h"
#include "job_request.h"
#include "media_probe.h"

SourceProber::SourceProber(QObject *context) : context_(context) {}

SourceProber::~SourceProber() { stop(); }

bool SourceProber::start(std::vector<std::string> files, Probed probed, Ended ended) {
  if (running_) return false;
  stop();  // the worker of the list before has posted its end: it is ending
  probed_ = std::move(probed);
  ended_ = std::move(ended);
  relay_ = std::make_unique<EngineEventRelay>(context_);
  shared_ = std::make_shared<Shared>();
  running_ = true;
  worker_ = std::thread([this, files = std::move(files), shared = shared_] { probeAll(files, shared); });
  return true;
}

// On the worker thread. The posted work runs on the context's thread, and
// never after stop() (which closes the relay before the prober goes).
void SourceProber::probeAll(const std::vector<std::string> &files, const std::shared_ptr<Shared> &shared) {
  MediaProbe probe;
  {
    std::scoped_lock hold(shared->lock);
    shared->probe = &probe;
  }
  bool whole = true;
  for (size_t i = 0; i < files.size() && whole; ++i) {
    try {
      const ProbeSummary summary = probeSourceFile(probe, files[i]);
      probe.close();
      whole = !shared->cancelled;
      if (whole)
        relay_->post([this, shared, i, summary] {
          if (!shared->cancelled) probed_(static_cast<int>(i), summary);
        });
    } catch (const std::exception &) {
      whole = false;  // the probe cannot run at all (no media libraries)
    }
  }
  {
    std::scoped_lock hold(shared->lock);
    shared->probe = nullptr;
  }
  relay_->post([this, shared, whole] {
    running_ = false;
    if (ended_) ended_(whole && !shared->cancelled);
  });
}

void SourceProber::cancel() {
  if (!shared_) return;
  shared_->cancelled = true;
  std::scoped_lock hold(shared_->lock);
  if (shared_->probe) shared_->probe->interrupt();
}

void SourceProber::stop() {
  cancel();
  if (worker_.joinable()) worker_.join();
  relay_.reset();  // closes it: what is still on its way is dropped
  running_ = false;
}
