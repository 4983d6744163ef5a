#include "app/hashwrapper.h"

#include <QFile>

#include <cstring>

namespace
{
constexpr qint64 fileBlockLength = 1024;

// Per-step additive constants: the integer part of 2^32 * |sin(i + 1)|.
constexpr std::array<std::uint32_t, 64> stepConstants = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Left-rotation amounts, four per round.
constexpr std::array<std::array<unsigned, 4>, 4> rotations = {
    {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}}};

constexpr std::array<std::uint32_t, 4> initialState = {0x67452301, 0xefcdab89, 0x98badcfe,
                                                       0x10325476};

constexpr std::size_t lengthFieldBytes = 8;
constexpr std::size_t paddedBlockEnd = md5Routines::blockLength - lengthFieldBytes;
constexpr std::uint8_t paddingStartByte = 0x80;

std::uint32_t rotateLeft(std::uint32_t value, unsigned count)
{
    return (value << count) | (value >> (32 - count));
}

std::uint32_t readLittleEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
           (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
}

void writeLittleEndian(std::uint64_t value, std::uint8_t* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = std::uint8_t(value >> (8 * i));
}

QByteArray quoted(const QByteArray& text)
{
    return '"' + text + '"';
}
} // namespace

hlException::hlException(int number, const QByteArray& message)
    : m_number(number), m_message(message)
{
}

hashwrapper::~hashwrapper() = default;

void hashwrapper::selfTest()
{
    const QString computed = hashString(m_testText);
    const QString expected = expectedTestHash();
    if (computed != expected) {
        throw hlException(hlException::selfTestFailed,
                          "hashlib test-error: " + quoted(computed.toUtf8()) + " is not " +
                              quoted(expected.toUtf8()) + " as supposed to be.");
    }
}

QString hashwrapper::hashString(const QByteArray& text)
{
    resetContext();
    updateContext(reinterpret_cast<const std::uint8_t*>(text.constData()),
                  std::size_t(text.size()));
    return finishDigest();
}

QString hashwrapper::hashFile(const QString& path)
{
    resetContext();
    QFile file(path);
    const hlException unreadable(hlException::fileUnreadable,
                                 "Cannot read file " + quoted(path.toUtf8()) + ".");
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable;
    char block[fileBlockLength];
    for (;;) {
        const qint64 count = file.read(block, fileBlockLength);
        // A read error part-way would otherwise pass for the end of the file.
        if (count < 0)
            throw unreadable;
        if (count == 0)
            break;
        updateContext(reinterpret_cast<const std::uint8_t*>(block), std::size_t(count));
    }
    return finishDigest();
}

void md5Routines::initialise(md5Context& context) const
{
    context.state = initialState;
    context.bitCount = 0;
    context.buffer.fill(0);
}

void md5Routines::update(md5Context& context, const std::uint8_t* data, std::size_t length) const
{
    std::size_t used = std::size_t((context.bitCount / 8) % blockLength);
    context.bitCount += std::uint64_t(length) * 8;

    std::size_t consumed = 0;
    const std::size_t room = blockLength - used;
    if (length >= room) {
        std::memcpy(context.buffer.data() + used, data, room);
        transform(context.state, context.buffer.data());
        consumed = room;
        for (; consumed + blockLength <= length; consumed += blockLength)
            transform(context.state, data + consumed);
        used = 0;
    }
    if (consumed < length)
        std::memcpy(context.buffer.data() + used, data + consumed, length - consumed);
}

void md5Routines::finish(md5Context& context, std::array<std::uint8_t, 16>& digest) const
{
    std::uint8_t lengthField[lengthFieldBytes];
    writeLittleEndian(context.bitCount, lengthField, lengthFieldBytes);

    // Pad with one set bit and zeros up to 8 bytes short of a block end, then the bit count.
    const std::size_t used = std::size_t((context.bitCount / 8) % blockLength);
    const std::size_t padLength =
        used < paddedBlockEnd ? paddedBlockEnd - used : blockLength + paddedBlockEnd - used;
    std::uint8_t padding[blockLength] = {paddingStartByte};
    update(context, padding, padLength);
    update(context, lengthField, lengthFieldBytes);

    for (std::size_t word = 0; word < context.state.size(); ++word)
        writeLittleEndian(context.state[word], digest.data() + 4 * word, 4);

    // Leave nothing of the message behind.
    context = md5Context();
}

void md5Routines::transform(std::array<std::uint32_t, 4>& state, const std::uint8_t* block) const
{
    std::array<std::uint32_t, 16> words;
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = readLittleEndian32(block + 4 * i);

    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (unsigned step = 0; step < 64; ++step) {
        const unsigned round = step / 16;
        std::uint32_t mixed;
        unsigned wordIndex;
        switch (round) {
        case 0:
            mixed = (b & c) | (~b & d);
            wordIndex = step;
            break;
        case 1:
            mixed = (d & b) | (~d & c);
            wordIndex = (5 * step + 1) % 16;
            break;
        case 2:
            mixed = b ^ c ^ d;
            wordIndex = (3 * step + 5) % 16;
            break;
        default:
            mixed = c ^ (b | ~d);
            wordIndex = (7 * step) % 16;
            break;
        }
        const std::uint32_t rotated = rotateLeft(a + mixed + stepConstants[step] + words[wordIndex],
                                                 rotations[round][step % 4]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;

    words.fill(0);
}

md5wrapper::md5wrapper()
{
    m_testText = "The quick brown fox jumps over the lazy dog";
    resetContext();
}

QString md5wrapper::finishDigest()
{
    Digest digest;
    m_routines.finish(m_context, digest);
    return digestToHex(digest);
}

QString md5wrapper::digestToHex(const Digest& digest)
{
    static const char hexDigits[] = "0123456789abcdef";
    QString hex;
    hex.reserve(int(2 * digest.size()));
    for (const std::uint8_t byte : digest) {
        hex += QLatin1Char(hexDigits[byte >> 4]);
        hex += QLatin1Char(hexDigits[byte & 0x0f]);
    }
    return hex;
}

void md5wrapper::updateContext(const std::uint8_t* data, std::size_t length)
{
    m_routines.update(m_context, data, length);
}

void md5wrapper::resetContext()
{
    m_routines.initialise(m_context);
}

QString md5wrapper::expectedTestHash()
{
    return QStringLiteral("9e107d9d372bb6826bd81d3542a419d6");
}
