#include "Platform/ViewToolkit/Environment.h"

namespace ViewToolkit {
namespace {
thread_local const EnvironmentValues* currentEnvironment = nullptr;
}  // namespace

const EnvironmentValues& EnvironmentValues::current() {
  static const EnvironmentValues defaults;
  return currentEnvironment ? *currentEnvironment : defaults;
}

ScopedCurrentEnvironment::ScopedCurrentEnvironment(const EnvironmentValues& environment)
    : previous_(currentEnvironment) {
  currentEnvironment = &environment;
}

ScopedCurrentEnvironment::~ScopedCurrentEnvironment() {
  currentEnvironment = previous_;
}

}  // namespace ViewToolkit
