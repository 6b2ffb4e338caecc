#include <cctype>

#include "platform/console.h"

int _stricmp(const char* left, const char* right) {
    for (;; ++left, ++right) {
        const int l = std::tolower(static_cast<unsigned char>(*left));
        const int r = std::tolower(static_cast<unsigned char>(*right));
        if (l != r || l == 0) return l - r;
    }
}
