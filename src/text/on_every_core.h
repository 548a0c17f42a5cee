// Independent work shared among the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace zorvik {

// Calls each(i) once for every i below count, from up to eight threads (this one among them),
// taking batch indices at a time; returns when all are done.
void OnEveryCore(std::size_t count, std::size_t batch,
                 const std::function<void(std::size_t)>& each);

}  // namespace zorvik
