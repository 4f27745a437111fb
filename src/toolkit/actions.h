// Actions: a caption and a handler under a command identifier, so menus and WM_COMMAND reach the
// same code.
#pragma once

#include <functional>
#include <list>
#include <string>

struct TAction {
  unsigned Id = 0;
  std::wstring Caption;
  std::function<void()> OnExecute;
};

class TActionList {
 public:
  TAction& Add(unsigned id, std::wstring caption, std::function<void()> onExecute) {
    return actions_.emplace_back(TAction{id, std::move(caption), std::move(onExecute)});
  }
  const TAction* Find(unsigned id) const {
    for (const TAction& action : actions_)
      if (action.Id == id) return &action;
    return nullptr;
  }
  // Runs the action with this identifier; false when there is none.
  bool Execute(unsigned id) const {
    const TAction* action = Find(id);
    if (!action) return false;
    if (action->OnExecute) action->OnExecute();
    return true;
  }

 private:
  std::list<TAction> actions_;  // stable addresses for menus that point at their action
};
