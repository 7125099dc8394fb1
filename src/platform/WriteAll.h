#pragma once

#include <cstddef>

// Writes every byte to fd, again after a short write or an interrupt. Answers 0, or the errno value
// of the write that failed (EIO for one that wrote nothing).
int writeAll(int fd, const char *data, std::size_t size);
