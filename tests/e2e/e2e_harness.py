"""The two-copy harness: the built program run twice on this machine as two people would run it,
against the stand-in lobby and game server, driven by xdotool at the rectangles the program's
state dump gives. Shared by the end-to-end tests, scripts/soak.sh and scripts/screenshots.sh.

It is made of pieces by concern, all reachable from here:
  e2e_wait    the failure a step raises and the named bounds of each kind of wait
  e2e_dump    reading a copy's state dump
  e2e_world   the stand-in, the copies with their surroundings, a run's world
  e2e_hold    holding a frame still, watching for what shows for a while, the rest rule
  e2e_input   a copy's pointer, taps and typing
  e2e_people  what a person does in the online menu
  e2e_aim     aiming and shooting"""
from e2e_aim import (AIM_CLOSE, TOUCH_RADIUS, both_states, digests_after, finger_at,  # noqa: F401
                     hold_aim, let_go, pull_for_aim, release, shoot, shoot_until_over,
                     shot_towards_opponent, wait_squib_still)
from e2e_dump import (Dump, aim_of, battle_over, battle_state, in_battle, my_turn,  # noqa: F401
                      page_shown, parse_dump, squib, strikes, touch0)
from e2e_hold import REST_FRAMES, Watch, at_rest, still  # noqa: F401
from e2e_people import (A_NAME, accept_challenge, challenge, chat_after_match,  # noqa: F401
                        close_menu, find_player, first_login, login, menu_text, no_toast,
                        open_menu, pack_text, register, to_start_page, to_training_battle,
                        wait_battle, watch_welcome)
from e2e_wait import (GIVE_UP, SERVICE, START, STEP, TURN, Failure, check,  # noqa: F401
                      wait_until)
from e2e_world import (HOLD_SECONDS, IDLE_TURN_SECONDS, SOURCE, TURN_SECONDS, Copy,  # noqa: F401
                       StandIn, World, cannot_run, lone_copy, measure_runs, play, script,
                       send_delete_window)
