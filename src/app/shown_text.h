// The texts of the conversion queue and the source list (made without Qt,
// in English) as the window shows them: in the user's language where a
// translation is installed, else as they are.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "run_progress.h"

struct ProbeSummary;
struct SourceJob;

// A text of the queue or the list, translated when it is one of its fixed
// texts ("Done", "Please Add Files To Convert!") or one of its messages made
// with a path or a time (the output folder's problem, the cut's); any other
// text (a path, a number, the engine's reason) is shown as it is.
QString shownText(const std::string &english);

// "Converting 2 of 5" for the state panel.
QString runPositionShown(const RunPosition &position);

// "File Size : 1235 KBytes" for the file size panel.
QString fileSizeShown(int64_t bytes);

// "3 Done, 1 Fail", with the aborted and not converted rows where there are
// such rows.
QString runCountsShown(const RunCounts &counts);

// "Recorded 2024-05-01 12:00:00 +02:00", or empty when the source does not
// say when it was recorded.
QString recordingShown(const ProbeSummary &probe);

// A row's hint: the queue's own wording with the row's path or reason put
// into the translated form.
QString sourceHintShown(const SourceJob &job);
