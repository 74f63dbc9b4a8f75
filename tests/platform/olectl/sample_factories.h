// Puts the sample control and page classes in place for CoCreateInstance while a test runs.
#pragma once

#include <registered_classes.h>

#include "sample_objects.h"

namespace sample {

// Calls of the sample factories' registry updates; failClassRegistration makes them fail.
extern int registryUpdates;
extern bool failClassRegistration;

class RegisteredSampleClasses : public testsupport::RegisteredModuleClasses {
  public:
    RegisteredSampleClasses() : RegisteredModuleClasses({CLSID_SampleControl, CLSID_SamplePage}) {}
};

}  // namespace sample
