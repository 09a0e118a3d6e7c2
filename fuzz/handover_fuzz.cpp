// The hand-over message a running Kelto reads from any program that connects to it. The input's
// first byte says how many of the next bytes give the sizes of the pieces the rest arrives in
// (cycled; none: one byte at a time). For any bytes in any pieces: the same outcome and files as
// the bytes in one piece; once complete or refused, more bytes change nothing; a complete
// message is exactly what a start sends for its files (their encoding gives back the bytes read);
// and QDataStream, reading the same bytes as the old reader did, agrees (where it can be asked
// without setting aside memory for a count of billions: its list reader reserves the count it
// reads), except that a message that could not fit in HandOverMessage::MostBytes is refused
// where QDataStream would wait for more.
#include <QByteArray>
#include <QDataStream>
#include <QStringList>
#include <QtEndian>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/SingleInstance.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

using State = HandOverMessage::State;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t cutCount = std::min<std::size_t>(data[0] % 8, size - 1);
    const std::uint8_t* cuts = data + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1 + cutCount),
                           qsizetype(size - 1 - cutCount));

    HandOverMessage whole;
    const State wholeState = whole.Take(bytes);
    Check(wholeState == whole.Now());

    HandOverMessage pieces;
    State piecesState = State::Incomplete;
    for (qsizetype at = 0, cut = 0; at < bytes.size(); ++cut) {
        const qsizetype length =
            cutCount == 0 ? 1 : qsizetype(cuts[std::size_t(cut) % cutCount]) + 1;
        const State before = pieces.Now();
        piecesState =
            pieces.Take(QByteArrayView(bytes).sliced(at, std::min(length, bytes.size() - at)));
        if (before != State::Incomplete)
            Check(piecesState == before); // settled stays settled
        at += length;
    }
    if (bytes.isEmpty())
        piecesState = pieces.Now();
    Check(piecesState == wholeState);
    Check(pieces.Files() == whole.Files());

    if (wholeState == State::Complete) {
        const QByteArray sent = HandOverMessage::Encode(whole.Files());
        Check(bytes.startsWith(sent));
        Check(sent.size() <= HandOverMessage::MostBytes);
    } else {
        Check(whole.Files().isEmpty() || wholeState == State::Incomplete);
    }

    // QDataStream, where its reservation of the count is small.
    if (bytes.size() >= 8 && qFromBigEndian<quint32>(bytes.constData() + 4) <= 100000) {
        QDataStream in(bytes);
        in.setVersion(QDataStream::Qt_6_0);
        in.startTransaction();
        quint32 marker = 0;
        QStringList files;
        in >> marker;
        if (marker != 0x4b454c31) {
            Check(wholeState == State::Refused);
            return 0;
        }
        in >> files;
        const QDataStream::Status status = in.status();
        if (in.commitTransaction()) {
            Check(wholeState == State::Complete);
            Check(whole.Files() == files);
            for (qsizetype i = 0; i < files.size(); ++i)
                Check(whole.Files()[i].isNull() == files[i].isNull());
        } else if (status == QDataStream::ReadPastEnd) {
            Check(wholeState == State::Incomplete || wholeState == State::Refused);
        } else {
            Check(wholeState == State::Refused);
        }
    }
    return 0;
}
