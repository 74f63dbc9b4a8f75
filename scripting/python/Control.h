// quillbox.Control: the registered control made by its ProgID, with its window in a headless
// site, scriptable by name like any automation object.
#pragma once

#include <memory>
#include <string>

#include <olectl/headless_site.h>

#include "Objects.h"

namespace quillbox {

class Control : public Dispatch {
  public:
    // `prefix`, when given, becomes WINPAL_PREFIX for the whole process before the control is
    // made. `userMode` false hosts the control as a form designer does.
    Control(const pybind11::object& prefix, const std::string& progId, bool userMode);
    ~Control() override;

    // Destroys the control's window (which lets go of the store) and the control; objects the
    // script still holds then answer as empty collections.
    void Close();

  private:
    std::unique_ptr<olectl::HeadlessSite> site_;
    bool comInitialized_ = false;
};

}  // namespace quillbox
