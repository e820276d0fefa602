#pragma once
// What the steps of an installation (DirectX setup, extraction, registration) need from
// the page that runs them. The progress page implements it; tests implement it to watch
// the steps.
#include <windows.h>

#include <string>
#include <vector>

#include "app/InstallContext.h"

namespace kaze {

class EngineHost {
 public:
  virtual InstallContext& context() = 0;
  // The progress page's window: owner of the steps' messages and dialogs.
  virtual HWND pageWindow() const = 0;
  // The work item line (control 1030) of the progress page.
  virtual void SetWorkItem(const char* text) = 0;
  // Removes, translates and dispatches at most one pending message of the frame window.
  virtual void PumpOneFrameMessage() = 0;
  // Appends one record to the uninstall log: kind LOG_FILE, LOG_DIRA, LOG_FOLD or
  // LOG_REGS (uninstall/LogRecords.h). Nothing is written without a log or with an empty
  // path. False when the record could not be written: the user was told, and the step
  // must stop (what the uninstaller would not know of could never be removed).
  virtual bool RecordLogEntry(int kind, const char* path) = 0;
  // True once a record of the journal or the log could not be written and the user was
  // told: a step that fails after it shows no message of its own (one message a failure).
  virtual bool FailureTold() const = 0;
  // The run's folder of staged support files (with its backslash), or "" when there is none.
  virtual std::string stagingFolder() const = 0;
  // Called before each write to path: a file of the user's there is kept aside, to be put
  // back if the run is taken back. False when it could not be kept: do not write then.
  virtual bool KeepBeforeWriting(const char* path) = 0;
  // Called before each file or folder a step creates (kind LOG_FILE or LOG_FOLD), before a
  // registry key below HKEY_LOCAL_MACHINE that is not there is created, and before a value
  // is set: the change is recorded in the run's journal first, so that a run cut off
  // anywhere can be put back. False when it could not be recorded: do not make it then.
  virtual bool BeforeCreating(int kind, const char* path) = 0;
  // The same for many folders and files at once (one wait for the disk).
  virtual bool BeforeCreatingAll(const std::vector<std::string>& folders,
                                 const std::vector<std::string>& files) = 0;
  virtual bool BeforeCreatingKey(const char* key) = 0;
  virtual bool BeforeSettingValue(const char* key, const char* name) = 0;

 protected:
  ~EngineHost() = default;
};

}  // namespace kaze
