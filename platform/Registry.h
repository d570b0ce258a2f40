// The settings store's view of the registry: one key under the current
// user's hive, opened for reading or created for writing, holding text
// values. Names and texts are UTF-8 here, whatever form the registry keeps
// them in. Tests install an in-memory registry with setRegistry().
#pragma once

#include <cstddef>
#include <memory>

#include "platform/Seam.h"

namespace platform {

// An open key. Destroying it closes the key, so every way out of a caller
// closes it.
class RegistryKey {
public:
    virtual ~RegistryKey() = default;

    // The most bytes the data of any value in the key can take.
    virtual bool longestValueLength(size_t* length) = 0;

    // Copies the data of value `name` (its NUL too, when it has one) into
    // buffer (capacity bytes). On
    // success *stored is the number of bytes copied. False when the value is
    // absent or does not fit.
    virtual bool readValue(const char* name, char* buffer, size_t capacity, size_t* stored) = 0;

    // Stores text as a string value, with its terminating NUL.
    virtual bool writeText(const char* name, const char* text) = 0;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens subkey of the current user's hive for reading; null when it
    // does not exist or cannot be read.
    virtual std::unique_ptr<RegistryKey> openForReading(const char* subkey) = 0;

    // Creates (or opens) subkey of the current user's hive for writing,
    // non-volatile; null on failure.
    virtual std::unique_ptr<RegistryKey> createForWriting(const char* subkey) = 0;
};

// The platform's own: the Win32 registry on Windows; natively a registry
// with no keys that refuses every write.
Registry& defaultRegistry();

// The registry in use: the installed one, else the platform's own.
inline constexpr auto registry = Seam<Registry, defaultRegistry>::current;

// Installs a registry and returns the previous one; nullptr restores the
// default.
inline constexpr auto setRegistry = Seam<Registry, defaultRegistry>::replace;

}  // namespace platform
