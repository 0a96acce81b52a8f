#pragma once
// The locks of a running client, what each guards, and the one order they are taken in. Nothing
// here is code: this is the rule every part follows, written in one place.
//
// Kinds of locks, from the outermost to the innermost. A thread may take a lock of a later kind
// while it holds one of an earlier kind, never the other way round, and never two of one kind.
//
//   1. List locks: the data of one list and its records.
//      - the inbound and the outbound transfer lists (TransferLists; records, their fields, the
//        queue order). Never both at once.
//      - the library lock (SharedList::lock: the shared list, folder numbers, the share batch).
//      - the result-list lock (SearchSession: collected results and the page's view of them; the
//        result pinger takes it to write pings).
//      - the hot-list lock (HotList: the entries, the page's two lists and its user-name field;
//        notify.dat is written under it).
//   2. View locks: the rows a list shows (TransferView, LibraryView).
//   3. Leaf locks, under which nothing else is taken:
//      - AppState: the account, the settings (each its own lock, never both), the shared folders,
//        the server of the connection, the download counter, the upload counter;
//      - the main window's and the connecting dialog's texts (MainViewModel,
//        ConnectingDialogModel), the colour schemes, the configuration store;
//      - the GUI thread's queue (ThreadQueue), the runtime's workers and random generator, the
//        row-id counter, the data-port listener slot.
//   The server link's own locks (its socket, one whole frame at a time, its inbox) are taken by
//   the link alone and only with no list lock held.
//
// While any lock of kind 1 or 2 is held:
//   - no question and no alert goes to the user: the question is asked first (or after), then the
//     lock is taken again and the record found again, since it may have been deleted meanwhile;
//   - nothing is written to or read from the network: frames a change asks for are put in an
//     Outbox declared before the lock, and leave once the lock is let go; peer sockets are only
//     used by workers that hold no lock;
//   - no thread is waited for. Our own data files (shared.dat) are rewritten under the lock that
//     guards their content, so that two rewrites cannot cross.
//
// No lock is recursive. An operation that needs a list lock held says so by taking the ListLock
// as a parameter; one that does not takes the lock itself and must not be called with it held.
//
// Threads read the account and the settings through copies (AppState::account(), settings());
// a worker takes the copy it needs when it starts.
