#include "relay/EventParser.h"

namespace moxel {

bool EventParser::next(EventPiece& piece) noexcept {
    while (at_ < size_) {
        inSysex_ = inSysex_ && sysexOpen_; // its start could not be sent: drop the rest
        const std::uint8_t byte = bytes_[at_];
        if (byte >= midi::kFirstRealtime) {
            ++at_;
            piece.kind = EventPiece::Kind::Message;
            piece.message = {byte, 0, 0};
            piece.size = 1;
            return true;
        }
        if (inSysex_) {
            if (midi::isStatus(byte) && byte != midi::kSysexEnd) {
                // Cut into by another status byte: the SysEx ends here, and
                // the byte is read again as what it starts.
                sysexOpen_ = inSysex_ = false;
                piece.kind = EventPiece::Kind::EndSysex;
                return true;
            }
            if (sysexPiece(at_, piece)) {
                return true;
            }
            continue;
        }
        ++at_;
        if (midi::isStatus(byte) ? statusByte(byte, piece) : dataByte(byte, piece)) {
            return true;
        }
    }
    return false; // a message still being read is cut short by the end: dropped
}

// The SysEx's bytes from `begin` up to the next status byte: through its F7,
// which ends it, or up to a real-time byte or the end of the event, after
// which it goes on.
bool EventParser::sysexPiece(std::size_t begin, EventPiece& piece) noexcept {
    std::size_t end = at_;
    while (end < size_ && !midi::isStatus(bytes_[end])) {
        ++end;
    }
    if (end < size_ && bytes_[end] == midi::kSysexEnd) {
        ++end;
        sysexOpen_ = inSysex_ = false;
    }
    at_ = end;
    if (end == begin) {
        return false;
    }
    piece.kind = EventPiece::Kind::Sysex;
    piece.bytes = bytes_ + begin;
    piece.size = end - begin;
    return true;
}

bool EventParser::statusByte(std::uint8_t byte, EventPiece& piece) noexcept {
    have_ = 0; // a message being read is cut: dropped
    status_ = 0;
    if (byte == midi::kSysexStart) {
        if (sysexOpen_) {
            --at_; // the SysEx before never ended: end it, then start this one
            sysexOpen_ = false;
            piece.kind = EventPiece::Kind::EndSysex;
            return true;
        }
        sysexOpen_ = inSysex_ = true;
        return sysexPiece(at_ - 1, piece);
    }
    if (byte == midi::kSysexEnd) {
        return false; // ends no SysEx of this event's
    }
    if (midi::messageLength(byte) == 1) {
        piece.kind = EventPiece::Kind::Message;
        piece.message = {byte, 0, 0};
        piece.size = 1;
        return true;
    }
    status_ = byte;
    data_[0] = byte;
    have_ = 1;
    return false;
}

bool EventParser::dataByte(std::uint8_t byte, EventPiece& piece) noexcept {
    if (status_ == 0) {
        return false; // belongs to no message
    }
    if (have_ == 0) {
        have_ = 1; // running status: the status byte of the message before
    }
    data_[have_++] = byte;
    if (have_ < midi::messageLength(status_)) {
        return false;
    }
    piece.kind = EventPiece::Kind::Message;
    piece.message = data_;
    piece.size = have_;
    have_ = 0;
    if (!midi::isChannelStatus(status_)) {
        status_ = 0; // only channel messages run on
    }
    return true;
}

} // namespace moxel
