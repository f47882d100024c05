#pragma once
// How much smaller a face is drawn so that its text takes the room laid
// out for the face asked for. The skins lay their texts out for Arial.
// fontconfig stands in for Arial with a face of Arial's widths where one is
// installed (Liberation Sans, Nimbus Sans), else with the default sans face
// (DejaVu Sans), whose text runs about a seventh wider and would be cut at
// its rectangles' ends at the same size.

#include <string>

namespace platform {

// The factor for the face's pixel size: 1 for a face whose widths we do
// not know, and for a stand-in no wider than it; below 1 for a wider
// stand-in. Measured once per face, weight and slant; any thread.
double FaceWidthScale(const std::string& face, int weight, bool italic);

}  // namespace platform
