#include "phonebook/workspace.h"

#include "image/data_image.h"

namespace rk {

Workspace::Workspace()
    : image_(std::make_unique<image::DataImage>()), lineTable_(std::make_unique<phonebook::LineTable>()) {
    image::initialiseImage(*image_);
    lineTable_->clear();
}

Workspace::~Workspace() = default;

} // namespace rk
