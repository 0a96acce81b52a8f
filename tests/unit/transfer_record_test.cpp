#include <gtest/gtest.h>

#include "transfer/transfer_lists.h"

using namespace tandril::transfer;

namespace {

std::unique_ptr<TransferRecord> Record(bool outbound, std::uint32_t rowId, std::uint32_t size = 3145728) {
    return std::make_unique<TransferRecord>(outbound, "kim", "1:\\1\\a\\b.mp3", "x", size, 0, 6699, rowId, 1000);
}

}  // namespace

TEST(TransferStatus, TextsByStateDirectionAndHistory) {
    auto in = Record(false, 1);
    auto out = Record(true, 2);
    struct Case {
        TransferRecord* record;
        TransferState state;
        const char* text;
    } cases[] = {
        {in.get(), TransferState::Error, "Erreur Transf.!"},
        {in.get(), TransferState::Connecting, "Connexion...."},
        {in.get(), TransferState::Transferring, "Téléchargement"},
        {in.get(), TransferState::Complete, "File Complete!"},
        {in.get(), TransferState::Resuming, "Resuming..."},
        {in.get(), TransferState::Cancelled, "Annulé ! "},
        {in.get(), TransferState::Queued, "Queued..."},
        {in.get(), TransferState::RemotelyQueued, "Remotely Queued..."},
        {out.get(), TransferState::Connecting, "Attente..."},
        {out.get(), TransferState::Transferring, "Trans. en cours"},
        {out.get(), TransferState::Complete, "File Complete!"},
        {in.get(), static_cast<TransferState>(9), "Connexion...."},
    };
    for (const Case& c : cases) EXPECT_EQ(TransferStatusText(*c.record, c.state, c.record->outbound), c.text) << static_cast<int>(c.state);

    in->streaming = true;
    EXPECT_EQ(TransferStatusText(*in, TransferState::Transferring, false), "Streaming...");
    in->state = TransferState::Resuming;  // failing after a resume that found no source
    EXPECT_EQ(TransferStatusText(*in, TransferState::Error, false), "Indisponible");
    in->sources.push_back(Record(false, 3));
    EXPECT_EQ(TransferStatusText(*in, TransferState::Error, false), "Erreur Transf.!");
    in->timedOut = true;
    EXPECT_EQ(TransferStatusText(*in, TransferState::Error, false), "Timed out!");
}

TEST(TransferLists, RowIdsRunFrom1To1000ThenAgain) {
    TransferLists lists;
    for (std::uint32_t expected = 1; expected <= 1000; ++expected) ASSERT_EQ(lists.NextRowId(), expected);
    EXPECT_EQ(lists.NextRowId(), 1u);

    auto in = lists.Take(false);
    auto out = lists.Take(true);
    lists.Append(in, Record(false, 1)).state = TransferState::Complete;
    lists.Append(out, Record(true, 5));
    EXPECT_EQ(lists.FindByRowId(out, true, 5)->state, TransferState::Connecting);
    EXPECT_EQ(lists.FindByRowId(in, false, 1)->state, TransferState::Complete);
    EXPECT_EQ(lists.FindByRowId(in, false, 5), nullptr);  // each direction has its own list
}

TEST(TransferProgress, RateTimeLeftAndTheStallRule) {
    auto r = Record(false, 1, 3145728);
    r->state = TransferState::Transferring;
    r->peerLineSpeed = 8;
    ProgressCells cells;
    std::int64_t now = 2000;
    r->position = 1048576;
    ASSERT_TRUE(UpdateTransferProgress(*r, now, cells));
    EXPECT_EQ(cells.size, "1,048,576 of 3,145,728");
    EXPECT_EQ(cells.speed, "DSL");
    EXPECT_EQ(cells.rate, "0.00 k/s");  // one sample: no rate yet
    EXPECT_EQ(cells.timeLeft, "");
    // Refreshes closer than two seconds apart do nothing.
    cells = {};
    EXPECT_TRUE(UpdateTransferProgress(*r, now + 1, cells));
    EXPECT_EQ(cells.rate, "");
    r->position += 100000;
    ASSERT_TRUE(UpdateTransferProgress(*r, now += 2, cells));
    EXPECT_EQ(cells.rate, "50.00 k/s");
    EXPECT_EQ(cells.timeLeft, TimeLeftText(static_cast<std::int64_t>((3145728.0 - 1148576.0) * 0.001 / 50)));
    EXPECT_EQ(TimeLeftText(39), "00:00:39");
    EXPECT_EQ(TimeLeftText(3600 * 123 + 61), "123:01:01");

    // The window holds ten samples; once they all show the same position the rate is 0 and,
    // thirty refreshes later, the transfer is given up.
    int refreshes = 0;
    while (UpdateTransferProgress(*r, now += 2, cells)) {
        ASSERT_LT(++refreshes, 100);
        if (refreshes > 8) {
            EXPECT_EQ(cells.rate, "--") << refreshes;  // stalled: neither a rate nor the last time left
            EXPECT_EQ(cells.timeLeft, "--") << refreshes;
        }
    }
    EXPECT_EQ(refreshes, 8 + 29);  // eight keep the moving sample in the window; 29 zero rates pass, the 30th fails
    EXPECT_EQ(r->sampleCount, 10u);

    // Outside the data phase the cells stay as they are.
    auto waiting = Record(false, 2);
    cells = {};
    EXPECT_TRUE(UpdateTransferProgress(*waiting, 5000, cells));
    EXPECT_EQ(cells.size, "");
}
