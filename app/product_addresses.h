#pragma once

#include <string>

// The product's two web addresses: the home page (the "WebSite" button) and the support page
// (every window's help button). An address given when Quillmere was built wins; without one,
// both lead to the user guide installed with the program, the support page to its section on
// finding the iPod.
std::string HomePageAddress();
std::string SupportPageAddress();

// The file: address of the user guide found beside the program `executable` (a full path):
// <its folder>/guide.html as in the build folder, else <its folder>/../share/doc/quillmere/
// guide.html as installed, else the guide's place under the install prefix. Exposed for tests;
// the two addresses above use the running program (/proc/self/exe).
std::string GuideAddressFor(const std::string& executable);

// A file: address for an absolute host path, with every byte other than letters, digits,
// "-", ".", "_", "~" and "/" percent-encoded.
std::string FileAddress(const std::string& absolutePath);
