#include "core/packet.h"

#include "core/change.h"
#include "core/text.h"

#include <gcrypt.h>
#include <zlib.h>

#include <vector>

// "YTLP", the layout's version, then the header, the compressed payload and
// the Ed25519 signature of everything before it.
static const char Magic[4] = {'Y', 'T', 'L', 'P'};
enum { PacketVersion = 1, SignatureBytes = 64, KeyBytes = 32, HeaderTextMax = 64 };

static bool CryptoReady()
{
    static bool ready = false;
    if (!ready) {
        if (!gcry_check_version(GCRYPT_VERSION)) return false;
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        ready = true;
    }
    return true;
}

static std::string Hex(const std::vector<unsigned char>& bytes)
{
    std::string out;
    for (unsigned char b : bytes) out += HexText(b, 2);
    return out;
}

static bool Unhex(const std::string& text, std::vector<unsigned char>& out, size_t want)
{
    if (text.size() != 2 * want) return false;
    out.assign(want, 0);
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) return false;
        out[i / 2] = (unsigned char)(out[i / 2] << 4 | v);
    }
    return true;
}

// One value of an S-expression as exactly n bytes (an Ed25519 point may
// come with its 0x40 prefix, which is dropped).
static bool Token(gcry_sexp_t sexp, const char* name, size_t n, std::vector<unsigned char>& out)
{
    gcry_sexp_t t = gcry_sexp_find_token(sexp, name, 0);
    if (!t) return false;
    size_t len = 0;
    const char* data = gcry_sexp_nth_data(t, 1, &len);
    bool ok = data && (len == n || (len == n + 1 && (unsigned char)data[0] == 0x40));
    if (ok) out.assign((const unsigned char*)data + (len - n), (const unsigned char*)data + len);
    gcry_sexp_release(t);
    return ok;
}

bool MakeKeyPair(TKeyPair& keys)
{
    if (!CryptoReady()) return false;
    gcry_sexp_t params = nullptr, key = nullptr;
    if (gcry_sexp_build(&params, nullptr, "(genkey (ecc (curve Ed25519)(flags eddsa)))")) return false;
    gcry_error_t err = gcry_pk_genkey(&key, params);
    gcry_sexp_release(params);
    if (err) return false;
    std::vector<unsigned char> q, d;
    bool ok = Token(key, "q", KeyBytes, q) && Token(key, "d", KeyBytes, d);
    gcry_sexp_release(key);
    if (!ok) return false;
    keys.Public = Hex(q);
    keys.Private = Hex(d) + keys.Public;
    return true;
}

static gcry_sexp_t DataOf(const std::string& message)
{
    gcry_sexp_t data = nullptr;
    gcry_sexp_build(&data, nullptr, "(data (flags eddsa)(hash-algo sha512)(value %b))", (int)message.size(),
                    message.data());
    return data;
}

static std::string Sign(const std::string& message, const std::string& privateKey)
{
    std::vector<unsigned char> both;
    if (!CryptoReady() || !Unhex(privateKey, both, 2 * KeyBytes)) return "";
    gcry_sexp_t key = nullptr, sig = nullptr, data = DataOf(message);
    std::string out;
    if (data && !gcry_sexp_build(&key, nullptr, "(private-key (ecc (curve Ed25519)(flags eddsa)(q %b)(d %b)))",
                                 KeyBytes, both.data() + KeyBytes, KeyBytes, both.data()) &&
        !gcry_pk_sign(&sig, data, key)) {
        std::vector<unsigned char> r, s;
        if (Token(sig, "r", KeyBytes, r) && Token(sig, "s", KeyBytes, s))
            out = std::string(r.begin(), r.end()) + std::string(s.begin(), s.end());
    }
    gcry_sexp_release(sig);
    gcry_sexp_release(key);
    gcry_sexp_release(data);
    return out;
}

static bool Verify(const std::string& message, const std::string& signature, const std::string& publicKey)
{
    std::vector<unsigned char> q;
    if (!CryptoReady() || signature.size() != SignatureBytes || !Unhex(publicKey, q, KeyBytes)) return false;
    gcry_sexp_t key = nullptr, sig = nullptr, data = DataOf(message);
    bool ok = data && !gcry_sexp_build(&key, nullptr, "(public-key (ecc (curve Ed25519)(flags eddsa)(q %b)))",
                                       KeyBytes, q.data()) &&
              !gcry_sexp_build(&sig, nullptr, "(sig-val (eddsa (r %b)(s %b)))", KeyBytes, signature.data(), KeyBytes,
                               signature.data() + KeyBytes) &&
              gcry_pk_verify(sig, data, key) == 0;
    gcry_sexp_release(sig);
    gcry_sexp_release(key);
    gcry_sexp_release(data);
    return ok;
}

// ------------------------------------------------------------------ bytes

// The header's names and a section's name: a length byte, at most 64 bytes.
static void PutText(std::string& out, const std::string& text) { PutCounted(out, text.substr(0, HeaderTextMax), 1); }

static bool GetText(const std::string& in, size_t& pos, std::string& text)
{
    return GetCounted(in, pos, 1, HeaderTextMax, text);
}

std::string MakePacket(const TPacket& p, const std::string& privateKey, int64_t limit)
{
    if ((int64_t)p.Payload.size() > limit) return "";
    uLongf packedSize = compressBound((uLong)p.Payload.size());
    std::string packed(packedSize, '\0');
    if (compress2((Bytef*)packed.data(), &packedSize, (const Bytef*)p.Payload.data(), (uLong)p.Payload.size(), 9) != Z_OK)
        return "";
    packed.resize(packedSize);
    std::string out(Magic, 4);
    out += (char)PacketVersion;
    out += (char)p.Kind;
    PutText(out, p.League);
    PutText(out, p.Sender);
    PutText(out, p.Receiver);
    PutLittle(out, p.Day, 2);
    PutLittle(out, p.Number, 4);
    PutLittle(out, p.Payload.size(), 4);
    PutLittle(out, packed.size(), 4);
    out += packed;
    std::string signature = Sign(out, privateKey);
    if (signature.size() != SignatureBytes) return "";
    return out + signature;
}

// The header, and where the compressed payload starts and how long it is.
static bool ReadHeader(const std::string& bytes, TPacket& p, size_t& at, uint64_t& rawSize, uint64_t& packedSize)
{
    size_t pos = 0;
    uint64_t v;
    if (bytes.size() < 6 || bytes.compare(0, 4, std::string(Magic, 4)) != 0 || (uint8_t)bytes[4] != PacketVersion)
        return false;
    pos = 5;
    if (!GetLittle(bytes, pos, 1, v) || (v != PacketJournal && v != PacketState)) return false;
    p.Kind = (uint8_t)v;
    if (!GetText(bytes, pos, p.League) || !GetText(bytes, pos, p.Sender) || !GetText(bytes, pos, p.Receiver))
        return false;
    if (!GetLittle(bytes, pos, 2, v)) return false;
    p.Day = (uint16_t)v;
    if (!GetLittle(bytes, pos, 4, v)) return false;
    p.Number = (uint32_t)v;
    if (!GetLittle(bytes, pos, 4, rawSize) || !GetLittle(bytes, pos, 4, packedSize)) return false;
    at = pos;
    return true;
}

bool PeekPacket(const std::string& bytes, TPacket& p)
{
    size_t at;
    uint64_t rawSize, packedSize;
    return ReadHeader(bytes, p, at, rawSize, packedSize);
}

std::string OpenPacket(const std::string& bytes, const std::string& publicKey, int64_t limit, TPacket& p)
{
    TPacket read;
    size_t at;
    uint64_t rawSize, packedSize;
    if ((int64_t)bytes.size() > limit + 1024) return "larger than the packet limit";
    if (!ReadHeader(bytes, read, at, rawSize, packedSize)) return "not a league packet";
    if ((int64_t)rawSize > limit) return "larger than the packet limit";
    if (bytes.size() - at != packedSize + SignatureBytes) return "cut short or too long";
    // Now known to lie within the bytes read, so it fits a size_t anywhere.
    const size_t packedEnd = at + (size_t)packedSize;
    if (publicKey.empty()) return "no key is known for " + read.Sender;
    if (!Verify(bytes.substr(0, packedEnd), bytes.substr(packedEnd), publicKey))
        return "its signature does not match " + read.Sender + "'s key";
    std::string raw((size_t)rawSize, '\0');
    uLongf rawLen = (uLongf)rawSize;
    if (uncompress((Bytef*)raw.data(), &rawLen, (const Bytef*)bytes.data() + at, (uLong)packedSize) != Z_OK ||
        rawLen != rawSize)
        return "its contents cannot be unpacked";
    read.Payload = raw;
    p = read;
    return "";
}

void PutSection(std::string& out, const std::string& name, const std::string& data)
{
    PutText(out, name);
    PutCounted(out, data, 4);
}

bool GetSection(const std::string& in, size_t& pos, std::string& name, std::string& data)
{
    return GetText(in, pos, name) && GetCounted(in, pos, 4, UINT32_MAX, data);
}
