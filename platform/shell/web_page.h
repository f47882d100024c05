#pragma once
// Opening web pages in the user's browser.

#include <string>
#include <vector>

namespace platform {

// An address we are willing to hand to the desktop: "http://" or
// "https://" (either case) with something after it, and no control
// characters. Everything else (files, other schemes, options that an
// opener could take for a switch) is refused.
bool IsWebPageAddress(const std::string& url);

// Starts xdg-open (found on PATH) with the address as its one argument,
// directly and detached: no shell reads the address, and the program
// neither waits for the browser nor leaves a child behind. Returns true
// once the opener is running; false for an address IsWebPageAddress
// refuses, when xdg-open is not installed, or when it could not start.
bool OpenWebPage(const std::string& url);

// For tests: while one of these exists, OpenWebPage checks the address as
// usual but records it instead of starting anything.
class WebPageRecorder {
public:
    WebPageRecorder();
    ~WebPageRecorder();
    WebPageRecorder(const WebPageRecorder&) = delete;
    WebPageRecorder& operator=(const WebPageRecorder&) = delete;

    // The addresses opened so far, oldest first.
    std::vector<std::string> Pages() const;
};

}  // namespace platform
