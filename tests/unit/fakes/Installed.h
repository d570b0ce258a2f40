// Puts a fake in the platform's place while it is alive and gives the
// previous one back afterwards.
#pragma once

namespace fakes {

template <class Interface, Interface* (*install)(Interface*)>
class Installed : public Interface {
public:
    Installed() : previous_(install(this)) {}
    ~Installed() override { install(previous_); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    Interface* previous_;
};

}  // namespace fakes
