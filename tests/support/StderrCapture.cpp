#include "support/StderrCapture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

CStderrCapture::CStderrCapture() {
    char path[] = "/tmp/okapel-stderr-XXXXXX";
    m_file = ::mkstemp(path);
    if (m_file < 0)
        return;
    ::unlink(path);
    std::fflush(stderr);
    m_saved = ::dup(2);
    if (m_saved >= 0 && ::dup2(m_file, 2) < 0) {
        ::close(m_saved);
        m_saved = -1;
    }
}

CStderrCapture::~CStderrCapture() {
    Restore();
    if (m_file >= 0)
        ::close(m_file);
}

void CStderrCapture::Restore() {
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
    m_saved = -1;
}

std::string CStderrCapture::Take() {
    Restore();
    std::string text;
    if (m_file < 0)
        return text;
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(m_file, buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        at += n;
    }
    return text;
}
