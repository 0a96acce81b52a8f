#pragma once
// Resuming: a download that ended short leaves its partial file in the "Incomplete" folder and a
// line in resume.dat (or deletes it, as PartialAction says); later the server is asked for every
// user sharing the same checksum and size (215), the answers (216) become the record's sources in
// the order they are tried, and each source in turn is asked for the rest of the file from the
// partial file's current end.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/frame_sender.h"
#include "protocol/resume_messages.h"
#include "protocol/server_messages.h"
#include "transfer/incomplete_files.h"
#include "transfer/transfer_lists.h"
#include "transfer/transfer_record.h"

namespace tandril::transfer {

struct Transfers;

// What is left of a download that ended short: the file written (the partial file, or the file a
// resume continues), the name it was to have, and what identifies the whole file.
struct PartialDownload {
    std::string writtenPath;
    std::string localPath;
    std::uint32_t fileSize = 0;
    std::string checksum;
};
// Deletes the partial file, or moves it to the Incomplete folder and lists it, as PartialAction
// says (2: the user is asked). A file already waiting in the Incomplete folder stays there and
// stays listed. Called with no list lock held.
void SaveIncomplete(Transfers& c, const PartialDownload& partial);
// At the end of a session: every download still receiving keeps its partial file the same way.
void SaveIncompleteDownloads(Transfers& c);

// Inserts a source before the first one that is not at the record's own peer address and is
// slower than or as fast as it (a source at that address goes before all of those); else last.
void InsertSource(TransferRecord& record, std::unique_ptr<TransferRecord> source);

// For each entry: an inbound record in state Resuming (LocalPath the partial file, its size and
// checksum, no sources yet) holding a download slot, then the resume search (215). An entry that
// a running download already continues is skipped. Without an answer within the bounded wait a
// record fails as one without sources.
void RequestResume(Transfers& c, const std::vector<IncompleteEntry>& entries);
// 216: one user who shares the file of a Resuming record.
void OnResumeSource(Transfers& c, const protocol::SourceFound& m);
// The lower list "Fichiers repris": every source of the downloads being resumed.
struct SourceRow {
    std::string name, user, connection, ping;
    bool current = false;
};
std::vector<SourceRow> ResumeSources(Transfers& c);
// 217: the search for that checksum and size is over: on a worker, the sources are timed and put
// in order, and the first is asked for; or the record fails ("Indisponible") and its partial file
// is kept.
void OnResumeSearchEnd(Transfers& c, const protocol::SourcesEnd& m);
// Asks the server for the record's current source: 203, or 500 when the source is firewalled.
void AskForSource(Transfers& c, const ListLock& lock, TransferRecord& r, protocol::Outbox& out);
// The next source becomes the current one and is asked for; false when there is none.
bool TryNextSource(Transfers& c, const ListLock& lock, TransferRecord& r, protocol::Outbox& out);
// After a source failed (at any step): the next source is asked for, true; false when none is
// left and the caller ends the download as a failure. A record without sources gives false.
bool MoveToNextSource(Transfers& c, TransferRecord& r);

// 204 for a Resuming record's current source (checksum, nick and name as the answer gives them):
// true when one was found and its worker started.
bool OnSourceAddress(Transfers& c, const protocol::DownloadAddress& m);
// 206/609 for a Resuming record's current source: the next one is tried; true when it was one.
bool OnSourceRefused(Transfers& c, const std::string& nick, const std::string& name);
// The worker that continues the record's partial file from its current source.
void ResumeFromSource(Transfers& c, TransferRecord& r);
// A push ("SEND") from a Resuming record's current source: that record, Attached, with the
// source's nick and line speed shown; nullptr when there is none. The inbound lock is held.
TransferRecord* TakeResumingForPush(Transfers& c, const ListLock& lock, const std::string& nick, const std::string& name);
// A resumed file that is complete leaves the Incomplete folder for the save folder (unless a file
// of that name is there already) and its entry is dropped.
void FinishResumedFile(Transfers& c, TransferRecord& r);

}  // namespace tandril::transfer
