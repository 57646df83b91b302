// The league's packets: what one board sends another, named, numbered,
// compressed and signed.  A packet is read whole and checked before any of
// it is used.
#pragma once
#include <cstdint>
#include <string>

enum TPacketKind : uint8_t { PacketJournal = 1, PacketState = 2 };

struct TPacket {
    uint8_t Kind = 0;
    std::string League, Sender, Receiver;
    uint16_t Day = 0;        // the game day it was made on
    uint32_t Number = 0;     // counted per sender and receiver, from 1
    std::string Payload;     // what it carries, uncompressed
};

// A board's key pair, in hex: the public key 64 digits, the private 128
// (the seed, then the public key).
struct TKeyPair {
    std::string Public, Private;
};
bool MakeKeyPair(TKeyPair& keys);

// The packet's bytes, signed with the private key; empty when it could not
// be made (no key, too large).
std::string MakePacket(const TPacket& p, const std::string& privateKey, int64_t limit);
// Reads the header alone (to see who sent it, for the key); false when it
// is not a packet.
bool PeekPacket(const std::string& bytes, TPacket& p);
// The whole packet, checked against the sender's public key and the limit:
// "" and the packet, or why it was refused.
std::string OpenPacket(const std::string& bytes, const std::string& publicKey, int64_t limit, TPacket& p);

// Named sections in one payload (a game's files in a state packet).
void PutSection(std::string& out, const std::string& name, const std::string& data);
bool GetSection(const std::string& in, size_t& pos, std::string& name, std::string& data);
