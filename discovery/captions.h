// The two texts a scan writes into the status label.
#pragma once

namespace tervane {

// The cable was found: this, followed directly by the port number in decimal.
constexpr char kPortCaptionPrefix[] = "COM Port: ";
// No bridge with the cable's IDs gave its serial number.
constexpr char kNotFoundCaption[] = "No VYX USB Programmer Found";

}  // namespace tervane
