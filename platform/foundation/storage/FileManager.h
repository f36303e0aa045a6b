#pragma once

#include "foundation/objects/Error.h"

#include <string_view>

namespace foundation {

class URL;

// File-system operations of the platform's file manager.
class FileManager {
public:
    static FileManager& defaultManager();

    // Moves a file or directory. Never replaces what is at the destination:
    // an existing item there makes the move fail with error 516. Within one
    // file system the move is a rename; across file systems the item is
    // copied under a temporary name beside the destination, put in place
    // with the same no-replace rule, and only then is the source removed, so
    // a failure at any point leaves the source whole. Answers whether the
    // item is now at the destination; on failure `error` (when given) holds
    // a Cocoa-domain error naming both paths and the cause:
    //   4    the source, or the destination's folder, does not exist
    //   513  no permission     516  the destination exists
    //   640  not enough space  512  anything else
    //   262 / 518  the source / the destination is not a file URL
    bool moveItemAtURL(const URL& source, const URL& destination, Ref<Error>* error);
    bool moveItemAtPath(std::string_view source, std::string_view destination, Ref<Error>* error);

private:
    FileManager() = default;
};

} // namespace foundation
