#pragma once
// The RegistryEditor tests' fixture: a private settings root, a tip recorder and an editor on the
// client's settings key.

#include "settings/RegistryEditor.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <gtest/gtest.h>

namespace kh {

class RegistryEditorTest : public ::testing::Test
{
protected:
    RegistryEditorTest() { editor.SetKey(RootKey::CurrentUser, u"Software\\Zelto\\KH"); }

    test::TempSettingsDir dir;
    test::TipRecorder tips;
    RegistryEditor editor{test::TipRecorder::Callback, tips.Context()};
};

} // namespace kh
