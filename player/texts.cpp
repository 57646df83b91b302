#include "player/texts.h"

const char* const JoinStory[4] = {
    "The old lanes of the Thyre are failing. Its stars burn low, and new lanes",
    "flicker open between them. Houses from beyond have come to claim what is left:",
    "one settled world each, a few ships, and charts that will soon be wrong.",
    "Somewhere in the dark systems, the Hollow is waking.",
};

const char* const FoundedLines[7] = {
    "You start with a home world, a rock world beside it, and three fleets:",
    "  `FHome Guard`7 - Lancers and Wardens patrolling your home system",
    "  `FScouts`7     - two Skiffs: send them out to explore (Fleets > Move)",
    "  `FSettlers`7   - a Seeder and a Hauler: settle a nearby world (Fleets > Settle)",
    "",
    "Good first steps: send the Scouts out, settle a world near home, and order",
    "a few ships or a building. Orders happen tonight; read your Report tomorrow.",
};

const char* const HelpLines[19] = {
    "Each game day is one turn. Give your orders any time during the day; every",
    "house's orders are carried out together at the nightly maintenance, and the",
    "next day you read what happened in your `FR`7eport.",
    "",
    "`FGrow`7: send `FSeeder`7 ships to unclaimed worlds (Fleets > Settle). Temperate",
    "worlds grow people and influence, rock worlds give ore, ice and gas give fuel.",
    "`FBuild`7: ships at a world with a shipyard; buildings in a world's free slots.",
    "`FMove`7: fleets travel along lanes, usually one lane a day. Outside your own",
    "systems each lane costs fuel. Lanes drift: a few close and open every week.",
    "`FFight`7: hostile fleets that meet will battle. Set a fleet's doctrine: Strike",
    "hits hard, Hold defends, Screen protects transports and pulls back if losing.",
    "Lancers beat Skiffs and transports, Wardens blunt Lancers, Breakers beat",
    "Wardens, shields and stations. To take a world, beat its shields and defenders,",
    "then land troops carried by `FHaulers`7 (Fleets > Invade).",
    "`FTalk`7: treaties cost influence and are kept by the game. Break them and pay.",
    "`FBeware the Hollow`7: it spreads from dark nests and raids weak worlds.",
    "",
    "`FWinning`7: the highest score on the last day, or hold 60% of all worlds for",
    "3 days, or every relic, or be the last house left.",
};
