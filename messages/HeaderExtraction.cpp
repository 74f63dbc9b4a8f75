#include "messages/HeaderExtraction.h"

namespace {

constexpr std::string_view kReturnPathLabel = "Return-Path:";
constexpr std::string_view kToLabel = "To:";
constexpr std::string_view kDeliveredToLabel = "Delivered-To:";
constexpr std::string_view kReceivedLabel = "Received:";
// The label "Delivered-To:" and the character after it.
constexpr std::size_t kDeliveredToSkip = 14;
constexpr std::size_t kDeliveredToWindow = 50;

}  // namespace

std::string ExtractReturnAddress(std::string_view source) {
    std::size_t label = source.find(kReturnPathLabel);
    if (label == std::string_view::npos)
        label = source.find(kToLabel);
    if (label == std::string_view::npos)
        return {};
    const std::string_view search = source.substr(label);
    const std::size_t open = search.find('<');
    if (open == std::string_view::npos)
        return {};
    // A missing ">" counts as position -1, like one standing before the "<": nothing between.
    const std::size_t close = search.find('>');
    if (close == std::string_view::npos || close <= open + 1)
        return {};
    return std::string(search.substr(open + 1, close - open - 1));
}

std::string ExtractDeliveredTo(std::string_view source) {
    const std::size_t label = source.find(kDeliveredToLabel);
    if (label == std::string_view::npos || label + kDeliveredToSkip >= source.size())
        return {};
    const std::string_view window = source.substr(label + kDeliveredToSkip, kDeliveredToWindow);
    const std::size_t received = window.find(kReceivedLabel);
    if (received == std::string_view::npos)
        return {};
    return std::string(window.substr(0, received));
}
