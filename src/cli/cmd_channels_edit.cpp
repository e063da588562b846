// `channels rename|delete|move|fav FILE.dld SELECTOR -o OUT.dld`: single
// edits on the programs a selector chooses.
#include <functional>
#include <iostream>
#include <memory>

#include "channels/channel_error.h"
#include "cli/channel_file.h"

namespace tuneflash::cli {
namespace {

struct EditRequest {
  std::string input;
  ProgramSelector selector;
  EditOutput output;
  std::string newName;
  int place = 0;
  int addGroup = 0;
  int removeGroup = 0;
  bool needsGroup = false;
};

using Planner = std::function<ChannelPlan(const BoxDatabase&, const std::vector<Slot>&, const EditRequest&)>;

int RunEdit(const EditRequest& r, const Planner& plan) {
  if (r.selector.IsEmpty()) {
    std::cerr << "tuneflash-cli: say which programs: --slot, --name, --satellite, --type or --scrambled\n";
    return kExitUsage;
  }
  if (r.needsGroup && r.addGroup == 0 && r.removeGroup == 0) {
    std::cerr << "tuneflash-cli: say --add GROUP or --remove GROUP\n";
    return kExitUsage;
  }
  if (const int code = CheckEditOutput(r.input, r.output); code != kExitOk) return code;
  ChannelFile file;
  if (const int code = OpenChannelFile(r.input, file); code != kExitOk) return code;
  ChannelPlan edit;
  try {
    edit = plan(*file.db, SelectPrograms(*file.db, r.selector), r);
  } catch (const ChannelEditError& e) {
    std::cerr << "tuneflash-cli: " << e.what() << "; nothing written\n";
    return kExitFailed;
  }
  return WriteChannelEdit(file, edit, r.output);
}

CLI::App* AddEdit(CLI::App& channels, CliContext& context, const char* name, const char* help,
                  std::shared_ptr<EditRequest> request, Planner plan) {
  auto* cmd = channels.add_subcommand(name, help);
  cmd->add_option("file", request->input, "Data set download file (.dld)")->required();
  AddSelectorOptions(*cmd, request->selector);
  AddEditOutputOptions(*cmd, request->output);
  cmd->callback([&context, request, plan] { context.exitCode = RunEdit(*request, plan); });
  return cmd;
}

}  // namespace

void AddChannelEditCommands(CLI::App& channels, CliContext& context) {
  auto rename = std::make_shared<EditRequest>();
  AddEdit(channels, context, "rename", "Rename one program", rename,
          [](const BoxDatabase& db, const std::vector<Slot>& chosen, const EditRequest& r) {
            return PlanRename(db, chosen, r.newName);
          })
      ->add_option("--to", rename->newName, "The new name (at most 16 bytes in the box)")
      ->required();

  AddEdit(channels, context, "delete", "Delete the chosen programs", std::make_shared<EditRequest>(),
          [](const BoxDatabase& db, const std::vector<Slot>& chosen, const EditRequest&) {
            return PlanDelete(db, chosen);
          });

  auto move = std::make_shared<EditRequest>();
  AddEdit(channels, context, "move", "Move the chosen programs, in list order, to a place in the list", move,
          [](const BoxDatabase& db, const std::vector<Slot>& chosen, const EditRequest& r) {
            return PlanMove(db, chosen, r.place);
          })
      ->add_option("--to", move->place, "The place of the first of them (1 = first)")
      ->required();

  auto fav = std::make_shared<EditRequest>();
  auto* favCmd =
      AddEdit(channels, context, "fav", "Add the chosen programs to a favourite group or remove them", fav,
              [](const BoxDatabase& db, const std::vector<Slot>& chosen, const EditRequest& r) {
                const bool add = r.addGroup != 0;
                return PlanFavourite(db, chosen, add ? r.addGroup : r.removeGroup, add);
              });
  auto* add = favCmd->add_option("--add", fav->addGroup, "Favourite group (1 to 8) to add them to");
  auto* remove =
      favCmd->add_option("--remove", fav->removeGroup, "Favourite group (1 to 8) to remove them from");
  add->excludes(remove);
  fav->needsGroup = true;
}

}  // namespace tuneflash::cli
