#pragma once
// Start-up recovery: every recording the journal names whose writer is gone
// is repaired before the window opens, and the user is told which and how
// long each is. Files from elsewhere go through RepairFiles (--repair).
#include <QString>
#include <QStringList>

#include <vector>

#include "media/repair.h"

namespace vistrel {

class RecordingJournal;

struct RecoveredRecording {
  QString file;
  media::RepairResult result;
};

// Repairs what the journal holds from runs that are over and takes their
// entries out; files that are gone are only taken out.
std::vector<RecoveredRecording> RecoverUnfinishedRecordings(RecordingJournal &journal);

// The message for the user; empty when nothing was recovered.
QString RecoveryMessage(const std::vector<RecoveredRecording> &recovered);

// --repair: one line a file on `out`; 0 when every file plays now, 1 otherwise.
int RepairFiles(const QStringList &files, std::FILE *out);

}  // namespace vistrel
