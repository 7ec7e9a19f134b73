#pragma once
#include <string_view>

namespace engine {

using ClassId = std::string_view;

inline constexpr ClassId CLSID_FileSource = "{34CE4E44-20ED-4811-A3A2-80738A171F20}";
inline constexpr ClassId CLSID_PreviewRenderer = "{4985960C-08F5-4C7A-B439-3255A8A8E9E4}";
inline constexpr ClassId CLSID_FileWriter = "{C691860F-9C67-4D10-A275-2061E94F3B39}";
inline constexpr ClassId CLSID_CaptionPlugin = "{4102E84B-B00A-4351-B4A2-FED0C3FFDC86}";

}  // namespace engine
