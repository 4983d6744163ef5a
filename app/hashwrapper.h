#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

// The error the hash classes raise: 1 a file cannot be read, 2 the self-test failed.
class hlException
{
public:
    static constexpr int fileUnreadable = 1;
    static constexpr int selfTestFailed = 2;

    hlException(int number, const QByteArray& message);

    int errorNumber() const { return m_number; }
    QByteArray errorMessage() const { return m_message; }

private:
    int m_number;
    QByteArray m_message;
};

// Base of the hash classes: a subclass supplies the digest steps, this class strings them
// together for strings and files and checks itself against a known answer.
class hashwrapper
{
protected:
    static constexpr std::size_t digestLength = 16;
    using Digest = std::array<std::uint8_t, digestLength>;

    virtual QString finishDigest() = 0;
    virtual QString digestToHex(const Digest& digest) = 0;
    virtual void updateContext(const std::uint8_t* data, std::size_t length) = 0;
    virtual void resetContext() = 0;
    virtual QString expectedTestHash() = 0;

public:
    virtual ~hashwrapper();

    // Raises hlException (selfTestFailed) when the test text does not give the expected hash.
    virtual void selfTest();
    // Lower-case hexadecimal digest of the given bytes; never fails.
    virtual QString hashString(const QByteArray& text);
    // Digest of the file's bytes; raises hlException (fileUnreadable) when it cannot be read.
    virtual QString hashFile(const QString& path);

protected:
    QByteArray m_testText;
};

// Running state of one MD5 computation.
struct md5Context {
    std::array<std::uint32_t, 4> state{};
    std::uint64_t bitCount = 0;
    std::array<std::uint8_t, 64> buffer{};
};

// The MD5 routines of RFC 1321 over a context held by the caller.
class md5Routines
{
public:
    static constexpr std::size_t blockLength = 64;

    void initialise(md5Context& context) const;
    void update(md5Context& context, const std::uint8_t* data, std::size_t length) const;
    // Pads the message, yields the digest and wipes the context.
    void finish(md5Context& context, std::array<std::uint8_t, 16>& digest) const;

private:
    void transform(std::array<std::uint32_t, 4>& state, const std::uint8_t* block) const;
};

class md5wrapper : public hashwrapper
{
public:
    md5wrapper();

protected:
    QString finishDigest() override;
    QString digestToHex(const Digest& digest) override;
    void updateContext(const std::uint8_t* data, std::size_t length) override;
    void resetContext() override;
    QString expectedTestHash() override;

private:
    md5Context m_context;
    md5Routines m_routines;
};
