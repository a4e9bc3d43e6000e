#include "window_model/windows.hpp"

namespace velmor::ui {

AboutBox::AboutBox()
    : Form("TAboutBox", "About VELMOR"),
      Panel6(add("Panel6", ControlKind::Panel).withText(" VELMOR ").withFontColor(colors::green)),
      Panel1(add("Panel1", ControlKind::Panel)
                 .withText("Quorvath (Version 1.1.1)")
                 .withFontColor(colors::green)
                 .withBold(true)),
      Panel2(add("Panel2", ControlKind::Panel)
                 .withText("Copyright (c) 2026 The VELMOR developers")
                 .withFontColor(colors::green)
                 .withBold(true)),
      Panel3(add("Panel3", ControlKind::Panel)
                 .withText("Contact: through the issue tracker of the VELMOR project")
                 .withFontColor(colors::green)
                 .withBold(true)),
      Panel5(add("Panel5", ControlKind::Panel)
                 .withText("Web: the VELMOR project pages (see README.md)")
                 .withFontColor(colors::green)),
      BitBtn1(add("BitBtn1", ControlKind::Button).withText("&Close")) {}

RunBox::RunBox()
    : Form("TRunBox", "Information"),
      Panel1(add("Panel1", ControlKind::Panel).withText("Run Status").withFontColor(colors::green)),
      Memo1(add("Memo1", ControlKind::Memo)
                .withReadOnly(true)
                .withTabStop(false)
                .withBackground(colors::white)),
      BitBtn1(add("BitBtn1", ControlKind::Button).withText("OK")) {}

PowerBox::PowerBox()
    : Form("TPowerBox", "Set Power"),
      lblPower(add("lblPower", ControlKind::Label)
                   .withText("Get N for Power:")
                   .withFontColor(colors::green)
                   .withBold(true)
                   .withAlignRight(true)),
      txtPower(add("txtPower", ControlKind::Edit).withText("0.80")),
      Label1(add("Label1", ControlKind::Label)
                 .withText("Choose the maximum number of iterations for sample size analysis.  "
                           "The final few tests may be done using the number of Monte Carlo "
                           "samples indicated here.  You might want to choose a smaller number "
                           "for smaller effect sizes.")),
      lblssiter(add("lblssiter", ControlKind::Label)
                    .withText("Number of Iterations:")
                    .withFontColor(colors::green)
                    .withBold(true)
                    .withAlignRight(true)),
      ssiterations(add("ssiterations", ControlKind::Edit).withText("10000")),
      btnOK(add("btnOK", ControlKind::Button).withText("OK")),
      btnCancel(add("btnCancel", ControlKind::Button).withText("Cancel")) {}

UserBox::UserBox()
    : Form("TUserBox", "User Agreement"),
      Memo1(add("Memo1", ControlKind::Memo)
                .withText(UserAgreementText())
                .withBackground(colors::white)),
      BitBtn1(add("BitBtn1", ControlKind::Button).withText("&Close")) {}

}  // namespace velmor::ui
