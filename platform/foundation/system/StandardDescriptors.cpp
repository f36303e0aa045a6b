#include "foundation/system/StandardDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

namespace foundation {

void keepStandardDescriptorsOpen()
{
    for (int descriptor = STDIN_FILENO; descriptor <= STDERR_FILENO; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1)
            ::open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);  // takes the lowest free number
    }
}

} // namespace foundation
