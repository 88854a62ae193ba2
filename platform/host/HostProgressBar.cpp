#include "HostProgressBar.h"

namespace hoststandin {

// {8326BC8D-FD12-4946-B411-C10274607422}
const IID kDiidOlToolbar = {
    0x8326BC8D, 0xFD12, 0x4946, {0xB4, 0x11, 0xC1, 0x02, 0x74, 0x60, 0x74, 0x22}};
// {2329095C-7971-4446-80BA-A549AD5AC11B}
const IID kDiidOlProgressBar = {
    0x2329095C, 0x7971, 0x4446, {0x80, 0xBA, 0xA5, 0x49, 0xAD, 0x5A, 0xC1, 0x1B}};

HostProgressBar::HostProgressBar() : NamedDispatch(nullptr, 0) {}

}  // namespace hoststandin
