// Drops files from the page cache, so that the next read of them comes from the disk: the
// first start of the day. Needs no root (only the files' owner or read rights). Run by hand:
//
//     EvictFromCache FILE...

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const int descriptor = ::open(argv[i], O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            std::perror(argv[i]);
            ++failures;
            continue;
        }
        // Dirty pages cannot be dropped: write them first.
        ::fdatasync(descriptor);
        if (const int error = ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED); error != 0) {
            std::fprintf(stderr, "%s: posix_fadvise failed (%d)\n", argv[i], error);
            ++failures;
        }
        ::close(descriptor);
    }
    return failures == 0 ? 0 : 1;
}
