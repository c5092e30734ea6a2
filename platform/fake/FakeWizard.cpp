// The wizard for tests: a sheet that makes each page the first time it is shown, sends it
// the notifications the system's sheet sends (its answer cleared first, as the system's
// dialog manager does), and takes the buttons the page posts. The user's part comes from a
// script of steps.
#include <deque>

#include "platform/Wizard.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
std::deque<fake::WizardStep> g_steps;
std::vector<fake::WizardRun> g_runs;
u32 g_buttons = 0;  // as the current sheet last set them

bool SheetProcedure(WindowHandle, unsigned message, uptr, iptr lParam) {
    if (message == SheetSetWizardButtons) g_buttons = static_cast<u32>(lParam);
    return true;
}

class Sheet {
public:
    Sheet(fake::WizardRun& run, const WizardPage* pages, u32 count) : run_(run), pages_(pages), count_(count) {
        run_.sheet = fake_state::NewDialogWindow(run.owner, 0, SheetProcedure);
        fake_state::SetWindowRect(run_.sheet, {10, 20, 10 + 480, 20 + 360});
        run_.pages.assign(count, nullptr);
    }

    iptr Run() {
        g_buttons = 0;
        MakeCurrent(0);
        while (!g_steps.empty()) {
            fake::WizardStep step = g_steps.front();
            g_steps.pop_front();
            if (!Take(step)) ++run_.ignored;
            if (ended_) return result_;
        }
        return -1;
    }

private:
    fake::WizardRun& run_;
    const WizardPage* pages_;
    u32 count_;
    u32 current_ = 0;
    bool ended_ = false;
    iptr result_ = 0;

    WindowHandle Page() const { return run_.pages[current_]; }

    iptr Notify(int code) {
        SheetNotification header = {run_.sheet, 0, static_cast<unsigned>(code)};
        PlatformSetDialogResult(Page(), 0);
        pages_[current_].procedure(Page(), MessageNotify, 0, reinterpret_cast<iptr>(&header));
        DeliverPosted();
        return fake::DialogAnswer(Page());
    }

    void DeliverPosted() {
        unsigned message;
        uptr wParam;
        iptr lParam;
        while (fake_state::TakePosted(run_.sheet, &message, &wParam, &lParam))
            SheetProcedure(run_.sheet, message, wParam, lParam);
    }

    void MakeCurrent(u32 index) {
        if (Page()) pages_[current_].procedure(Page(), MessageShowWindow, 0, 0);
        current_ = index;
        if (!Page()) {
            run_.pages[index] =
                fake_state::NewDialogWindow(run_.sheet, pages_[index].templateId, pages_[index].procedure);
            pages_[index].procedure(Page(), MessageInitDialog, 0, 0);
        }
        Notify(SheetSetActive);
        pages_[current_].procedure(Page(), MessageShowWindow, 1, 0);
        DeliverPosted();
        run_.current.push_back(pages_[index].templateId);
        run_.buttons.push_back(g_buttons);
    }

    void End(iptr result) {
        ended_ = true;
        result_ = result;
    }

    bool Take(const fake::WizardStep& step) {
        switch (step.kind) {
            case fake::WizardStep::Type: {
                WindowHandle control = PlatformDialogItem(Page(), step.control);
                if (!fake::Control(Page(), step.control).enabled) return false;
                PlatformSetText(control, step.text.c_str());
                return true;
            }
            case fake::WizardStep::Next:
                if (!(g_buttons & WizardButtonNext) || current_ + 1 >= count_) return false;
                if (Notify(SheetWizardNext) != SheetStayOnPage) MakeCurrent(current_ + 1);
                return true;
            case fake::WizardStep::Back:
                if (!(g_buttons & WizardButtonBack) || current_ == 0) return false;
                if (Notify(SheetWizardBack) != SheetStayOnPage) MakeCurrent(current_ - 1);
                return true;
            case fake::WizardStep::Finish:
                if (!(g_buttons & WizardButtonFinish)) return false;
                if (Notify(SheetWizardFinish) == 0) End(1);
                return true;
            case fake::WizardStep::Cancel:
                if (Notify(SheetQueryCancel) == 0) End(0);
                return true;
        }
        return false;
    }
};
}  // namespace

namespace fake_state {
void ResetWizard() {
    g_steps.clear();
    g_runs.clear();
    g_buttons = 0;
}
}  // namespace fake_state

namespace fake {
void ScriptWizard(std::vector<WizardStep> steps) { g_steps.insert(g_steps.end(), steps.begin(), steps.end()); }
const std::vector<WizardRun>& Wizards() { return g_runs; }
}  // namespace fake

iptr PlatformRunWizard(InstanceHandle, WindowHandle owner, const WizardPage* pages, u32 count) {
    g_runs.push_back({});
    fake::WizardRun& run = g_runs.back();
    run.owner = owner;
    for (u32 i = 0; i < count; ++i) run.templates.push_back(pages[i].templateId);
    run.result = Sheet(run, pages, count).Run();
    return run.result;
}
