#pragma once

#include <string>

// The status line's cut: a text longer than 46 characters keeps its first 46 and gets "...".
std::string ShortenStatusText(const std::string& text);
