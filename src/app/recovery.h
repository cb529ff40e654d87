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
  bool removed = false;  // it held no whole frame and was deleted
};

// Repairs what the journal holds from runs that are over and takes their
// entries out; files that are gone are only taken out. A file that holds no
// whole frame (a part a kill during a Cut left at 0 bytes, or with its
// header and some sound but no picture) is deleted: there is nothing in it
// to play, and a dead part beside the real ones only misleads.
std::vector<RecoveredRecording> RecoverUnfinishedRecordings(RecordingJournal &journal);

// The message for the user; empty when nothing was recovered.
QString RecoveryMessage(const std::vector<RecoveredRecording> &recovered);

// --repair: one line a file on `out`; 0 when every file plays now, 1 otherwise.
// Files are never deleted here: one that holds nothing is only reported.
int RepairFiles(const QStringList &files, std::FILE *out);

}  // namespace vistrel
