#include "app/recovery.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "app/recording_journal.h"

namespace vistrel {

std::vector<RecoveredRecording> RecoverUnfinishedRecordings(RecordingJournal &journal) {
  std::vector<RecoveredRecording> out;
  for (const JournalEntry &e : journal.Unfinished()) {
    if (QFileInfo(e.file).isFile()) {
      RecoveredRecording r{e.file, media::RepairRecordingFile(e.file)};
      r.removed = r.result.outcome == media::RepairOutcome::Empty && QFile::remove(e.file);
      out.push_back(std::move(r));
    }
    // Taken out whatever came of it: a file that cannot be repaired now will
    // not be repaired at every start, and the user was told.
    journal.Forget(e.file);
  }
  return out;
}

QString RecoveryMessage(const std::vector<RecoveredRecording> &recovered) {
  if (recovered.empty()) return {};
  QString text = "These recordings were cut off when Vistrel last stopped without finishing them:\n";
  QStringList kept;
  for (const RecoveredRecording &r : recovered) {
    text += "\n" + r.file + ": ";
    if (r.removed) {
      text += "held nothing and was removed (" + QString::fromStdString(r.result.detail) + ")";
    } else {
      text += media::DescribeRepair(r.result);
      kept << r.file;
    }
  }
  if (kept.size() < int(recovered.size()))
    text += kept.isEmpty() ? "\n\nNone of them is left." : "\n\nWhat is left of them: " + kept.join(", ");
  return text;
}

int RepairFiles(const QStringList &files, std::FILE *out) {
  int rc = 0;
  for (const QString &file : files) {
    // A recording still under way is its writer's to finish.
    if (RecordedElsewhere(file)) {
      std::fprintf(out, "%s: left alone: another Vistrel is recording it\n", qPrintable(file));
      rc = 1;
      continue;
    }
    const media::RepairResult r = media::RepairRecordingFile(file);
    if (r.outcome == media::RepairOutcome::Failed || r.outcome == media::RepairOutcome::Empty) rc = 1;
    std::fprintf(out, "%s: %s\n", qPrintable(file), qPrintable(media::DescribeRepair(r)));
  }
  std::fflush(out);
  return rc;
}

}  // namespace vistrel
