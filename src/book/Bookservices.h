#pragma once
// The system services that reading and making a book need, handed in so that tests and
// benchmarks can give their own.

namespace platform {
class IFileSystem;
class IAudioTagReader;
class IXmlReader;
}  // namespace platform

// The services that making a book needs.
struct TBookServices {
    platform::IFileSystem& files;
    platform::IAudioTagReader& tags;
    platform::IXmlReader& xml;
};
// The system's own.
TBookServices NativeBookServices();
