#include "formats/standard/safe_output.h"

#include <cstring>
#include <ctime>

#include "formats/standard/replace_file.h"
#include "image/raster_image.h"

namespace {

// A file being written under a temporary name beside its target.
struct SafeOutput {
    std::FILE* file = nullptr;          // open for writing in byte mode
    char target[kPathSize] = {};
    char temporary[kPathSize + 16] = {};   // "<target>.tmpXXXX"
};

// Creates a new temporary file in the target's folder. False (nothing
// created) when the target's name is too long or the folder does not take
// a new file.
bool BeginSafeOutput(SafeOutput& output, const char* target)
{
    output.file = nullptr;
    const size_t length = std::strlen(target);
    if (length == 0 || length >= sizeof output.target)
        return false;
    std::memcpy(output.target, target, length + 1);
    // The name only has to be new; CreateNewFile refuses one that exists.
    static unsigned counter = 0;
    const unsigned seed = static_cast<unsigned>(std::time(nullptr)) * 2654435761u ^ static_cast<unsigned>(std::clock());
    for (int attempt = 0; attempt < 32; ++attempt) {
        const unsigned tag = (seed + 40503u * ++counter) & 0xFFFFu;
        std::snprintf(output.temporary, sizeof output.temporary, "%s.tmp%04X", target, tag);
        output.file = CreateNewFile(output.temporary);
        if (output.file)
            return true;
    }
    output.temporary[0] = '\0';
    return false;
}

// When `written` is true and the file flushes and closes without error, it
// replaces the target. Otherwise the temporary file is removed and the
// target is as it was.
bool FinishSafeOutput(SafeOutput& output, bool written)
{
    bool ok = written;
    if (std::fflush(output.file) != 0 || std::ferror(output.file))
        ok = false;
    if (std::fclose(output.file) != 0)
        ok = false;
    output.file = nullptr;
    if (ok && !ReplaceTargetFile(output.temporary, output.target))
        ok = false;
    if (!ok)
        std::remove(output.temporary);
    return ok;
}

}  // namespace

OutputResult WriteSafely(const char* target, const std::function<bool(std::FILE*)>& encode)
{
    SafeOutput output;
    if (!BeginSafeOutput(output, target))
        return OutputResult::kCannotCreate;
    const bool written = encode(output.file);
    return FinishSafeOutput(output, written) ? OutputResult::kWritten : OutputResult::kWriteFailed;
}
