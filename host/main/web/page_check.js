// Why the plugin finds a page invalid, in words: the plugin only answers
// isValid, so the page applies the same rules to say which one fails. A
// page is valid when its two styles exist and differ, and its six perks
// exist, are not disabled, and fill four slots of the primary style and
// two slots of the sub-style, one perk a slot.
//
//   problems(page, catalogue, [7104]);   // ["Stormcall is disabled", ...]; [] when valid

export function problems(page, catalogue, disabled = []) {
  const found = [];
  const ids = (page.selectedPerkIds || []).filter((id) => id !== 0 && id !== -1);
  if (ids.length !== 6) found.push(`${ids.length} perks chosen; a page needs 6`);
  if (page.primaryStyleId === page.subStyleId) found.push('The primary style and the sub-style are the same');
  const primaryKnown = checkStyle(page.primaryStyleId, 'primary style', catalogue, found);
  const subKnown = checkStyle(page.subStyleId, 'sub-style', catalogue, found);

  const primarySlots = primaryKnown ? catalogue.primarySlots(page.primaryStyleId) : [];
  const secondarySlots = subKnown ? catalogue.secondarySlots(page.subStyleId) : [];
  const usedPrimary = new Set();
  const usedSecondary = new Set();
  for (const id of ids) {
    const name = catalogue.perkName(id);
    if (!catalogue.perkById.has(id)) {
      found.push(`Perk ${id} is not in the game data`);
      continue;
    }
    if (disabled.includes(id)) found.push(`${name} is disabled`);
    if (take(id, primarySlots, usedPrimary, `the primary style's slot`, found)) continue;
    if (take(id, secondarySlots, usedSecondary, `the sub-style's slot`, found)) continue;
    if (primaryKnown && subKnown) found.push(`${name} is in no slot of ${catalogue.styleName(page.primaryStyleId)} ` +
                                             `or ${catalogue.styleName(page.subStyleId)}`);
  }
  if (primaryKnown && usedPrimary.size !== 4) {
    found.push(`${usedPrimary.size} of the primary style's 4 slots filled`);
  }
  if (subKnown && usedSecondary.size !== 2) {
    found.push(`${usedSecondary.size} of the sub-style's 2 slots filled`);
  }
  return found;
}

function checkStyle(id, role, catalogue, found) {
  if (catalogue.styleById.has(id)) return true;
  found.push(id === -1 || id === undefined ? `No ${role} chosen` : `The ${role} ${id} is not in the game data`);
  return false;
}

// Puts `id` in every slot that holds it, as the plugin does; a slot taken
// twice is a problem. Whether any slot took it.
function take(id, slots, used, where, found) {
  let taken = false;
  for (const slot of slots) {
    if (!slot.perks.includes(id)) continue;
    taken = true;
    if (used.has(slot.index)) found.push(`Two perks in ${where} ${slot.label}`);
    used.add(slot.index);
  }
  return taken;
}
