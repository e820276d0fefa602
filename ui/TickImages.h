#pragma once
// Check boxes for a list view whose common-control library has no check-box style (4.00):
// the list's state images, drawn here the way 4.70 draws its own.
#include <windows.h>
#include <commctrl.h>

namespace kaze {

// An image list, destroyed with the object unless handed over to a control.
class ImageList {
 public:
  explicit ImageList(HIMAGELIST images = nullptr) : images_(images) {}
  ~ImageList() {
    if (images_ != nullptr) ImageList_Destroy(images_);
  }
  ImageList(ImageList&& other) noexcept : images_(other.Release()) {}
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;
  ImageList& operator=(ImageList&&) = delete;

  HIMAGELIST get() const { return images_; }
  // For a list view without LVS_SHAREIMAGELISTS, which destroys its image lists itself.
  HIMAGELIST Release() {
    HIMAGELIST images = images_;
    images_ = nullptr;
    return images;
  }

 private:
  HIMAGELIST images_;
};

// Two images of the small-icon size on the window colour: an empty box and a ticked one
// (state images 1 and 2). Empty when the system refused a resource.
ImageList CreateTickImages();

}  // namespace kaze
