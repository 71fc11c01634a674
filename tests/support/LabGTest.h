// GoogleTest glue: one lab shared by every test of a test program (tessaly_add_lab_test in
// lab.cmake). The program says which lab it wants by defining MakeLabEnvironment:
//
//   std::unique_ptr<tessaly::lab::CLabEnvironment> tessaly::lab::MakeLabEnvironment() {
//       return std::make_unique<CLabEnvironment>(std::vector<std::string>{"Lab Contact"},
//                                                [](CLab& lab) { lab.Insert(lab.ReaderName(0), card); });
//   }
//
// and begins every test (or fixture SetUp) with TESSALY_NEED_LAB(): it skips with "virtual card
// lab unavailable: <why>" where the lab cannot run (not root, no pcscd), and fails where it should
// have run but did not start. The program runs as one process (not one per test), so the lab
// starts once.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lab/Lab.h"
#include "lab/LabError.h"

namespace tessaly::lab {

class CLabEnvironment : public ::testing::Environment {
  public:
    using Prepare = std::function<void(CLab&)>;

    explicit CLabEnvironment(std::vector<std::string> devices, Prepare prepare = {})
        : m_devices(std::move(devices)), m_prepare(std::move(prepare)) {}

    void SetUp() override {
        State().unavailable = CLab::Unavailable();
        if (!State().unavailable.empty()) {
            return;
        }
        try {
            State().lab = std::make_unique<CLab>(m_devices);
            if (m_prepare) {
                m_prepare(*State().lab);
            }
        } catch (const CLabError& error) {
            State().lab.reset();
            State().failure = error.what();
        }
    }

    void TearDown() override { State().lab.reset(); }

    static CLab* Lab() { return State().lab.get(); }
    static const std::string& Unavailable() { return State().unavailable; }
    static const std::string& Failure() { return State().failure; }

  private:
    struct Shared {
        std::unique_ptr<CLab> lab;
        std::string unavailable;
        std::string failure;
    };
    static Shared& State() {
        static Shared shared;
        return shared;
    }

    std::vector<std::string> m_devices;
    Prepare m_prepare;
};

// Defined by each lab test program; LabTestMain registers what it returns.
std::unique_ptr<CLabEnvironment> MakeLabEnvironment();

}  // namespace tessaly::lab

#define TESSALY_NEED_LAB()                                                                           \
    do {                                                                                             \
        if (!::tessaly::lab::CLabEnvironment::Unavailable().empty()) {                               \
            GTEST_SKIP() << "virtual card lab unavailable: "                                         \
                         << ::tessaly::lab::CLabEnvironment::Unavailable();                          \
        }                                                                                            \
        ASSERT_NE(::tessaly::lab::CLabEnvironment::Lab(), nullptr)                                   \
            << "the virtual card lab did not start: " << ::tessaly::lab::CLabEnvironment::Failure(); \
    } while (false)
