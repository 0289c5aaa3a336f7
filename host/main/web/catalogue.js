// The game data as the plugin serves it (GET /styles and GET /perks), read
// the way a player sees a page: styles and perks by name, and the slots a
// page fills.
//
//   const catalogue = new Catalogue(styles, perks);
//   catalogue.perkName(7101);                    // "Stormcall"
//   catalogue.primarySlots(710);                 // the four slots of the primary style
//   catalogue.placement(page).primary[0].slot.label;

const SPLASHABLE = 'kSplashable';
const MIXED = 'kMixedRegularSplashable';

export class Catalogue {
  constructor(styles = [], perks = []) {
    this.styles = [...styles].sort((a, b) => a.id - b.id);
    this.styleById = new Map(this.styles.map((style) => [style.id, style]));
    this.perkById = new Map(perks.map((perk) => [perk.id, perk]));
  }

  styleName(id) {
    if (id === -1 || id === undefined) return 'none';
    const style = this.styleById.get(id);
    return style ? style.name : `unknown style ${id}`;
  }

  perkName(id) {
    const perk = this.perkById.get(id);
    return perk ? perk.name : `unknown perk ${id}`;
  }

  // The slots a primary style's perks fill: its slots in order, without
  // those only a sub-style may use. Each {index, label, type, perks}.
  primarySlots(styleId) {
    return this.slots(styleId).filter((slot) => slot.type !== SPLASHABLE);
  }

  // The slots a sub-style's perks fill: those open to a sub-style.
  secondarySlots(styleId) {
    return this.slots(styleId).filter((slot) => slot.type === SPLASHABLE || slot.type === MIXED);
  }

  slots(styleId) {
    const style = this.styleById.get(styleId);
    if (!style || !Array.isArray(style.slots)) return [];
    return style.slots.map((slot, index) => ({
      index,
      label: slot.slotLabel || `Slot ${index + 1}`,
      type: slot.type,
      perks: Array.isArray(slot.perks) ? slot.perks : [],
    }));
  }

  // The sub-styles a primary style allows (all other styles when it names none).
  subStylesFor(primaryId) {
    const primary = this.styleById.get(primaryId);
    const allowed = primary && Array.isArray(primary.allowedSubStyles) ? primary.allowedSubStyles : null;
    return this.styles.filter((style) => style.id !== primaryId && (!allowed || allowed.includes(style.id)));
  }

  // Where each selected perk of `page` sits: {primary: [{slot, perkId}],
  // secondary: [{slot, perkId}], unplaced: [perkId]}, a perk going to the
  // first primary slot that holds it, else to the first sub-style slot.
  placement(page) {
    const primarySlots = this.primarySlots(page.primaryStyleId);
    const secondarySlots = this.secondarySlots(page.subStyleId);
    const result = {primary: [], secondary: [], unplaced: []};
    for (const perkId of page.selectedPerkIds || []) {
      if (perkId === 0 || perkId === -1) continue;
      const primary = primarySlots.find((slot) => slot.perks.includes(perkId));
      const secondary = primary ? null : secondarySlots.find((slot) => slot.perks.includes(perkId));
      if (primary) result.primary.push({slot: primary, perkId});
      else if (secondary) result.secondary.push({slot: secondary, perkId});
      else result.unplaced.push(perkId);
    }
    return result;
  }
}
