#include "python/arrays.h"

namespace py = pybind11;

namespace pyframe {

py::array_t<double> TimeByComponent(numeric::RealMatrix&& histories) {
    auto owned = std::make_unique<numeric::RealMatrix>(std::move(histories));
    const auto components = static_cast<py::ssize_t>(owned->Rows());
    const auto times = static_cast<py::ssize_t>(owned->Cols());
    const double* data = owned->Empty() ? nullptr : owned->Row(0);
    const py::capsule base(owned.get(),
                           [](void* p) { delete static_cast<numeric::RealMatrix*>(p); });
    owned.release();  // the capsule deletes it now
    const auto size = static_cast<py::ssize_t>(sizeof(double));
    return py::array_t<double>({times, components}, {size, size * times}, data, base);
}

py::array_t<double> ReadOnlyRows(std::shared_ptr<const void> owner, const double* first,
                                 size_t count, size_t columns, size_t stride) {
    py::array_t<double> array;
    if (count == 0) {
        const std::vector<py::ssize_t> shape{0, static_cast<py::ssize_t>(columns)};
        array = py::array_t<double>(shape);
    } else {
        auto kept = std::make_unique<std::shared_ptr<const void>>(std::move(owner));
        const py::capsule base(
            kept.get(), [](void* p) { delete static_cast<std::shared_ptr<const void>*>(p); });
        kept.release();
        array = py::array_t<double>(
            {static_cast<py::ssize_t>(count), static_cast<py::ssize_t>(columns)},
            {static_cast<py::ssize_t>(stride), static_cast<py::ssize_t>(sizeof(double))}, first,
            base);
    }
    array.attr("setflags")(py::arg("write") = false);
    return array;
}

}  // namespace pyframe
