#pragma once

// Helpers shared by the tests: seeded random images and image comparison that writes both
// images to the test output folder when they differ, for a person to look at.

#include <QImage>
#include <QString>
#include <cstdint>

namespace pennova::test {

// A random premultiplied ARGB image: each pixel's colour never exceeds its alpha. Roughly a
// third of the pixels are fully transparent, a third fully opaque and a third in between.
QImage randomPremultipliedImage(int width, int height, uint32_t seed);

// Number of pixels whose channels differ by more than tolerance.
int countDifferentPixels(const QImage &a, const QImage &b, int tolerance = 0);

// True when equal in size and every channel of every pixel; otherwise writes both images as
// PNG under the test output folder, named after the test, and returns false.
bool imagesEqual(const QImage &actual, const QImage &expected, const QString &name,
    int tolerance = 0, int allowedBadPixels = 0);

} // namespace pennova::test

#include <QStringList>

namespace pennova::test {

// Collects the messages logged while it lives (qWarning and friends), instead of printing them.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QStringList messages() const;
    bool contains(const QString &text) const { return messages().contains(text); }
};

} // namespace pennova::test

#include <QTemporaryDir>
#include <memory>

namespace pennova {
class Defaults;
}

namespace pennova::test {

// A settings store in a temporary file with every factory value registered, for one test.
class TestDefaults
{
public:
    TestDefaults();
    ~TestDefaults();
    Defaults &operator*() { return *m_defaults; }
    Defaults *operator->() { return m_defaults.get(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Defaults> m_defaults;
};

} // namespace pennova::test

#include <sys/resource.h>

namespace pennova::test {

// While it lives, no file of this process may grow beyond `limitBytes`: a write past it fails
// with "File too large" instead of ending the process. (A forked child would be cleaner, but
// Qt's painting thread pool does not survive a fork.)
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long long limitBytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    struct rlimit m_old = {};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace pennova::test

namespace pennova::test {

// While it lives, this thread (and the threads it starts) cannot read files past their
// permissions even when running as root, so that an unreadable file is refused as it would be
// for any user: the capabilities that override file permissions are taken out of its effective
// set, and put back at the end. available() is false where the system refuses.
class WithoutPermissionOverride
{
public:
    WithoutPermissionOverride();
    ~WithoutPermissionOverride();
    WithoutPermissionOverride(const WithoutPermissionOverride &) = delete;
    WithoutPermissionOverride &operator=(const WithoutPermissionOverride &) = delete;
    bool available() const { return m_dropped; }

private:
    unsigned m_saved[6] = {};
    bool m_dropped = false;
};

// Whether this build runs under AddressSanitizer, which makes everything a few times slower and
// keeps freed memory aside: time guards then allow kSanitizerSlowdown times as long, and peaks
// of memory say nothing.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif
constexpr int kSanitizerSlowdown = kSanitized ? 4 : 1;

} // namespace pennova::test
